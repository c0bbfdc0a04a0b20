#pragma once
// Lines typed by a person with editing keys and a history of the lines typed before.

#include <memory>
#include <string>
#include <string_view>

namespace ql::console {

class LineEditor {
 public:
  // In a prompt, text between two of these bytes takes no room on the screen (an escape
  // sequence), so the editor still knows where the cursor stands.
  static constexpr char kNonPrinting = '\1';

  enum class Outcome {
    kLine,         // `line` holds what was typed, line end included
    kEnd,          // the end of input: Ctrl-D on an empty line, or the terminal went away
    kInterrupted,  // Ctrl-C: the line was dropped
  };

  virtual ~LineEditor() = default;
  // Draws `prompt` and lets the person edit one line; the screen is left on a fresh line.
  virtual Outcome ReadLine(std::string_view prompt, std::string& line) = 0;
};

// An editor on standard input and output (libedit, emacs keys, a history kept in memory only);
// null when the terminal type cannot move the cursor (TERM unset, empty or "dumb").
std::unique_ptr<LineEditor> TerminalLineEditor();

// The line-editing library and its version as the build found it, for example "libedit 3.1".
std::string LineEditorVersion();

}  // namespace ql::console
