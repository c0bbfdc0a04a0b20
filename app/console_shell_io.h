#pragma once
// The command shell bound to a colour console: its prompt, help listing and reports go through
// the console's markup output, and its lines come from the console's line input.

#include <cstdint>
#include <memory>
#include <string>

#include "console/color_console.h"
#include "console/terminal/script_input.h"
#include "console/terminal/terminal.h"
#include "shell/command_shell.h"

namespace ql::console {

class ConsoleShell : public shell::CommandShell {
 public:
  ConsoleShell();  // on the process's terminal
  explicit ConsoleShell(std::unique_ptr<Terminal> terminal);
  ~ConsoleShell() override;

  // The program's console, for everything that prints outside the shell's own texts.
  ColorConsole& Console() noexcept { return console_; }

  // Lines come from `script` instead of standard input (which it may name as one of its sources);
  // its end ends the session. It must outlive every run of the loop.
  void UseScript(ScriptInput& script) noexcept { script_ = &script; }
  // Quiet: no prompt, and messages apart from the results (see ColorConsole::SetMessagesApart).
  void SetQuiet(bool quiet) noexcept;
  // Once a line has reported an error (see ColorConsole::ErrorsReported), no further line is read.
  void StopAfterError(bool stop) noexcept { stopAfterError_ = stop; }
  // True when the loop ended because a line reported an error.
  bool StoppedAfterError() const noexcept { return stoppedAfterError_; }

 protected:
  void Print(const char* format, ...) override __attribute__((format(printf, 2, 3)));
  LineRead ReadLine(std::string& line) override;
  // Where a person types, after a prompt that shows the open mark ("-\"" or "-'"); the line goes on
  // the history entry of the statement's first line.
  LineRead ReadContinuedLine(std::string& line, char mark) override;
  // The typed tokens are echoed in their colours, each printed as typed, never as markup.
  void OnUnknownCommand(std::int32_t tokenCount, char** tokens) override;
  void OnLineTooLong() override;
  void OnStatementTooLong() override;
  void OnStatementNotClosed(char mark) override;
  bool GoOn() override;

 private:
  // Declared after the base, so it is built after the built-in commands are registered and goes
  // before them.
  ColorConsole console_;
  ScriptInput* script_ = nullptr;
  bool stopAfterError_ = false;
  bool stoppedAfterError_ = false;

  LineRead ReadFromConsole(std::string& line, bool continuesEntry);
};

}  // namespace ql::console
