// The shell's output and input routed to its console.

#include "console/console_shell.h"

#include <cstdarg>
#include <utility>

namespace console {

ConsoleShell::ConsoleShell() : ConsoleShell(ProcessTerminal()) {}

ConsoleShell::ConsoleShell(std::unique_ptr<Terminal> terminal)
    : CommandShell(false, false), console_(std::move(terminal)) {}

ConsoleShell::~ConsoleShell() = default;

void ConsoleShell::Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  console_.PrintV(format, arguments);
  va_end(arguments);
}

std::int32_t ConsoleShell::ReadLine(char* buffer, std::int32_t size) {
  return console_.ReadLine(buffer, size);
}

}  // namespace console
