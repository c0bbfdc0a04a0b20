#pragma once
// A Terminal for unit tests: its input is scripted, its output captured.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console/terminal/terminal.h"

namespace ql::testsupport {

// Shared by the test and the terminal, so it outlives whichever of the two goes last.
struct TerminalScript {
  // What the terminal does.
  std::string input;
  bool console = false;         // output counts as a colour terminal
  std::size_t readChunk = 0;    // the most bytes one Read hands out; 0 for all that is left
  bool failAtEnd = false;       // once the input is used up, Read fails instead of ending
  bool interruptAtEnd = false;  // once the input is used up, the next Read says Ctrl-C was pressed
  // With a value the terminal has a line editor, which gives these in turn: a line (its line end
  // included), or kCtrlC; after the last, the end of input.
  std::optional<std::vector<std::string>> editedLines;
  static inline const std::string kCtrlC = "\x03";
  bool keepOutput = true;                   // false: count what is written, keep none of it
  bool notesAtTerminal = false;             // the notes' stream (standard error) is a terminal
  bool notesJoinOutput = false;             // the notes' stream is the output itself
  std::optional<console::WindowSize> size;  // what the terminal tells of its size

  // What the terminal saw.
  std::string output;
  std::size_t bytesWritten = 0;
  std::size_t writeCalls = 0;
  std::size_t readCalls = 0;
  std::vector<std::size_t> writtenAtRead;  // bytesWritten when each Read came
  std::string notes;                       // what went to the notes' stream
  std::vector<std::size_t> writtenAtNote;  // bytesWritten when each note came
  std::vector<std::string> prompts;        // what the line editor was given to draw
};

std::unique_ptr<console::Terminal> ScriptedTerminal(std::shared_ptr<TerminalScript> script);

}  // namespace ql::testsupport
