// QUERYLOOM: an interactive SQL client on the process's terminal.

#include "app/commands.h"
#include "app/notices.h"
#include "console/console_shell.h"
#include "console/terminal_signals.h"
#include "db/database.h"

namespace {

// Defined in this order so that the database is built before the shell and outlives it: the
// shell's console goes first, and the database then closes quietly.
db::Database theDatabase;
console::ConsoleShell theShell;

}  // namespace

int main() {
  theDatabase.UseConsole(theShell.Console());
  app::RegisterCommands(theShell, theDatabase);
  theShell.reportUnknown = true;
  // Ctrl-C at the terminal while a command runs stops the database's work under way.
  console::OnInterruptKey(
      [](void* database) noexcept { static_cast<db::Database*>(database)->Interrupt(); }, &theDatabase);
  // Returns after a quit command and at the end of input alike.
  theShell.Run();
  app::PrintClosingLines(theShell.Console());
  return 0;
}
