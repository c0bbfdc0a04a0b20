#pragma once
// The program's twelve commands: connecting, running statements, stepping through their rows,
// schema listings, and the console's own small commands.

namespace ql::console {
class ConsoleShell;
}
namespace ql::db {
class Database;
}

namespace ql::app {

// Registers the commands on `shell`, in the order of their table. Their handlers work on `database`
// and print to the shell's console; both must outlive every run of the shell's loop.
void RegisterCommands(console::ConsoleShell& shell, db::Database& database);

}  // namespace ql::app
