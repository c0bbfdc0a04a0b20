#pragma once
// A CommandShell on a scripted I/O: its input is a list of lines and its output is captured, markup
// included, exactly as the shell hands it to Write: run these lines, get this output.

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "shell/command_shell.h"

namespace ql::shell::testing {

class ScriptedIo final : public ShellIo {
 public:
  std::vector<std::string> input;
  std::string output;
  std::size_t next = 0;  // lines read so far; stays put once the input is exhausted
  std::int32_t reads = 0;
  std::vector<std::size_t> tooLong;  // positions of the lines that read as too long
  std::vector<std::size_t> dropped;  // positions of the lines dropped with Ctrl-C
  std::string continuedMarks;        // the open mark of each line read as a statement's next

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

  void Write(std::string_view markup) override {
    if (markup.find('\0') != std::string_view::npos) throw std::logic_error("a NUL in the shell's text");
    output += markup;
  }

  // Starts the input over with `lines`.
  void Reset(std::vector<std::string> lines) {
    input = std::move(lines);
    next = 0;
    ended = false;
    output.clear();
  }

 private:
  bool ended = false;
};

// The shell and its scripted I/O.
struct ScriptedShell {
  explicit ScriptedShell(ShellOptions options = {}) : shell(io, options) {}

  // Runs the loop over `lines` (each without its line end) and returns what it wrote.
  std::string RunLines(std::vector<std::string> lines) {
    io.Reset(std::move(lines));
    shell.Run();
    return io.output;
  }

  ScriptedIo io;
  CommandShell shell;
};

}  // namespace ql::shell::testing
