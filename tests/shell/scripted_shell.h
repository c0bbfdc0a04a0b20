#pragma once
// A CommandShell whose input is a list of lines and whose output is captured, markup included,
// exactly as the shell hands it to Print: run these lines, get this output.

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/command_shell.h"

namespace ql::shell::testing {

class ScriptedShell : public CommandShell {
 public:
  explicit ScriptedShell(bool wordsOnly = false, bool echoCommands = false)
      : CommandShell(wordsOnly, echoCommands) {}

  // Runs the loop over `lines` (each without its line end) and returns what it printed.
  std::string RunLines(std::vector<std::string> lines) {
    input = std::move(lines);
    next = 0;
    ended = false;
    output.clear();
    result = Run();
    return output;
  }

  std::string output;
  std::int32_t result = 0;
  std::size_t next = 0;  // lines read so far; stays put once the input is exhausted
  std::int32_t reads = 0;
  std::vector<std::string> doneWords;  // token 0 of each line that reached OnCommandDone
  std::vector<std::size_t> tooLong;    // positions of the lines that read as too long
  std::vector<std::size_t> dropped;    // positions of the lines dropped with Ctrl-C
  std::string continuedMarks;          // the open mark of each line read as a statement's next

 protected:
  void Print(const char* format, ...) override __attribute__((format(printf, 2, 3))) {
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length > 0) {
      std::string text(static_cast<std::size_t>(length), '\0');
      std::vsnprintf(text.data(), text.size() + 1, format, arguments);
      output += text;
    }
    va_end(arguments);
  }

  // The lines in turn, each whole; those whose positions are in tooLong read as over the limit.
  LineRead ReadLine(std::string& line) override {
    ++reads;
    if (next >= input.size()) {
      // A loop that reads on after the end would spin; fail the test instead of hanging it.
      if (ended) throw std::logic_error("read after the end of input");
      ended = true;
      return LineRead::kEnd;
    }
    const std::size_t at = next++;
    if (std::find(tooLong.begin(), tooLong.end(), at) != tooLong.end()) {
      line.clear();
      return LineRead::kTooLong;
    }
    if (std::find(dropped.begin(), dropped.end(), at) != dropped.end()) {
      line.clear();
      return LineRead::kDropped;
    }
    line = input[at];
    return LineRead::kLine;
  }

  LineRead ReadContinuedLine(std::string& line, char mark) override {
    continuedMarks += mark;
    return ReadLine(line);
  }

  void OnCommandDone(std::int32_t tokenCount, char** tokens, void*) override {
    if (tokenCount > 0) doneWords.emplace_back(tokens[0]);
  }

 private:
  std::vector<std::string> input;
  bool ended = false;
};

}  // namespace ql::shell::testing
