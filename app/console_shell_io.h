#pragma once
// The shell's input and output on the program's console: its prompt, help listing and reports go
// through the console's markup output, its reports of lines that do not run as error messages, and
// its lines come from the console's line input or a script.

#include <memory>
#include <string>
#include <string_view>

#include "console/color_console.h"
#include "console/terminal/script_input.h"
#include "console/terminal/terminal.h"
#include "shell/shell_io.h"

namespace ql::app {

class ConsoleShellIo final : public shell::ShellIo {
 public:
  ConsoleShellIo();  // on the process's terminal
  explicit ConsoleShellIo(std::unique_ptr<console::Terminal> terminal);
  ConsoleShellIo(const ConsoleShellIo&) = delete;
  ConsoleShellIo& operator=(const ConsoleShellIo&) = delete;

  // The program's console, for everything that prints outside the shell's own texts.
  console::ColorConsole& Console() noexcept { return console_; }

  // Lines come from `script` instead of standard input (which it may name as one of its sources);
  // its end ends the session. It must outlive every run of the loop.
  void UseScript(console::ScriptInput& script) noexcept { script_ = &script; }
  // Quiet: no prompt for a statement's next line, and messages apart from the results (see
  // ColorConsole::SetMessagesApart). The shell's own prompt is its option (ShellOptions::prompting).
  void SetQuiet(bool quiet) noexcept;
  // Once a line has reported an error (see ColorConsole::ErrorsReported), no further line is read.
  void StopAfterError(bool stop) noexcept { stopAfterError_ = stop; }
  // True when the loop ended because a line reported an error.
  bool StoppedAfterError() const noexcept { return stoppedAfterError_; }

  shell::LineRead ReadLine(std::string& line) override;
  // Where a person types, after a prompt that shows the open mark ("-\"" or "-'"); the line goes on
  // the history entry of the statement's first line.
  shell::LineRead ReadContinuedLine(std::string& line, char mark) override;
  void Write(std::string_view markup) override;
  // The typed tokens are echoed in their colours, each printed as typed, never as markup.
  void OnUnknownCommand(const shell::Tokenizer& line) override;
  void OnLineTooLong() override;
  void OnStatementTooLong() override;
  void OnStatementNotClosed(char mark) override;
  bool GoOn() override;

 private:
  console::ColorConsole console_;
  console::ScriptInput* script_ = nullptr;
  bool prompting_ = true;
  bool stopAfterError_ = false;
  bool stoppedAfterError_ = false;

  shell::LineRead ReadFromConsole(std::string& line, bool continuesEntry);
};

}  // namespace ql::app
