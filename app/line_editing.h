#pragma once
// What the line editor does for this program where a person types: Tab completes from the shell's
// commands and the database's names, and the history is kept in the file QUERYLOOM_HISTORY names.

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

// The environment variable naming the history file.
inline constexpr const char* kHistoryVariable = "QUERYLOOM_HISTORY";

// Sets up completion and the history file when `console` has a line editor; without one it does
// nothing. A history file that cannot be opened is said on the terminal, and the session goes on
// with its history in memory. `shell` and `database` must outlive the editor's use of them.
void SetUpLineEditing(const shell::CommandShell& shell, console::ColorConsole& console, db::Database& database);

}  // namespace ql::app
