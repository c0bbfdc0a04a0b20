#pragma once
// The program's commands: connecting, running statements, stepping through their rows and
// results, schema listings, and the console's own small commands.

namespace ql::console {
class ColorConsole;
}
namespace ql::db {
class Database;
}
namespace ql::shell {
class CommandShell;
}

namespace ql::app {

// What the commands work on: the shell whose typed text they read, the console they print through,
// and the database. Every handler receives it as its user value.
struct CommandTarget {
  shell::CommandShell& shell;
  console::ColorConsole& console;
  db::Database& database;
};

// Registers the commands on `target.shell`, in the order of their table, with `target` as their user
// value: it, the shell and the database must outlive every run of the shell's loop.
void RegisterCommands(CommandTarget& target);

}  // namespace ql::app
