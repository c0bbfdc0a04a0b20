#pragma once
// The command shell bound to a colour console: its prompt, help listing and reports go through
// the console's markup output, and its lines come from the console's line input.

#include <cstdint>
#include <memory>
#include <string>

#include "console/color_console.h"
#include "console/terminal.h"
#include "shell/command_shell.h"

namespace ql::console {

class ConsoleShell : public shell::CommandShell {
 public:
  ConsoleShell();  // on the process's terminal
  explicit ConsoleShell(std::unique_ptr<Terminal> terminal);
  ~ConsoleShell() override;

  // The program's console, for everything that prints outside the shell's own texts.
  ColorConsole& Console() noexcept { return console_; }

 protected:
  void Print(const char* format, ...) override __attribute__((format(printf, 2, 3)));
  LineRead ReadLine(std::string& line) override;
  // Where a person types, after a prompt that shows the open mark ("-\"" or "-'"); the line goes on
  // the history entry of the statement's first line.
  LineRead ReadContinuedLine(std::string& line, char mark) override;
  // The typed tokens are echoed in their colours, each printed as typed, never as markup.
  void OnUnknownCommand(std::int32_t tokenCount, char** tokens) override;

 private:
  // Declared after the base, so it is built after the built-in commands are registered and goes
  // before them.
  ColorConsole console_;

  LineRead ReadFromConsole(std::string& line, bool continuesEntry);
};

}  // namespace ql::console
