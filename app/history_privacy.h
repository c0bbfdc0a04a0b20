#pragma once
// Which typed entries may be written to the history file: none that could hold a password.

#include <string_view>

namespace ql::app {

// False for an entry that begins with "open" (any case, after blanks), and for one that holds a
// connection string's password key ("password" or "pwd", any case, then "=", blanks allowed
// between) or a URI's "user:password@"; true for every other entry.
bool MayKeepInHistoryFile(std::string_view entry);

}  // namespace ql::app
