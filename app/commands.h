#pragma once
// The program's commands: connecting, running statements, stepping through their rows and
// results, schema listings, and the console's own small commands.

namespace ql::console {
class ConsoleShell;
}
namespace ql::db {
class Database;
}

namespace ql::app {

// What the commands work on: the shell they print through and whose typed text they read, and the
// database. Every handler receives it as its user value.
struct CommandTarget {
  console::ConsoleShell& shell;
  db::Database& database;
};

// Registers the commands on `target.shell`, in the order of their table, with `target` as their user
// value: it, the shell and the database must outlive every run of the shell's loop.
void RegisterCommands(CommandTarget& target);

}  // namespace ql::app
