// Entry point for now: the interactive shell with its built-in commands on the process's terminal.

#include "console/console_shell.h"

namespace {

console::ConsoleShell theShell;

}  // namespace

int main() {
  theShell.reportUnknown = true;
  theShell.Run();
  return 0;
}
