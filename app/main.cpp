// QUERYLOOM: an interactive SQL client on the process's terminal.

#include "app/command_line.h"
#include "app/commands.h"
#include "app/line_editing.h"
#include "app/notices.h"
#include "console/console_shell.h"
#include "console/terminal_signals.h"
#include "db/database.h"

namespace ql::app {
namespace {

void RunSession() {
  // Built on first use, so that --help and --version never touch the terminal, and in this order
  // so that the database is built before the shell and outlives it: at exit the shell's console
  // goes first, and the database then closes quietly.
  static db::Database theDatabase;
  static console::ConsoleShell theShell;

  static CommandTarget theTarget{theShell, theDatabase};

  theDatabase.UseConsole(theShell.Console());
  RegisterCommands(theTarget);
  theShell.reportUnknown = true;
  SetUpLineEditing(theShell, theDatabase);
  // Ctrl-C at the terminal while a command runs stops the database's work under way.
  console::OnInterruptKey(
      [](void* database) noexcept { static_cast<db::Database*>(database)->Interrupt(); }, &theDatabase);
  // Returns after a quit command and at the end of input alike.
  theShell.Run();
  PrintClosingLines(theShell.Console());
}

}  // namespace
}  // namespace ql::app

int main(int argc, char** argv) {
  if (const auto exitCode = ql::app::HandleArguments(argc, argv)) return *exitCode;
  ql::app::RunSession();
  return 0;
}
