#pragma once
// How a text that is not the program's own (a value, a name, a message from a database, a typed
// token) is shown: never as colour markup, and at a terminal never as bytes the terminal would obey.
//
// The escaped form, used when output is a terminal: NUL shows as \0; every other C0 control but tab
// and line feed, and DEL, as \xHH (ESC as \x1b); a C1 control as \xHH of its code, whether it comes
// as UTF-8 (C2 9B shows as \x9b) or as a lone byte 0x80 to 0x9F outside a UTF-8 sequence. Every
// other byte, a backslash included, is shown as it is. Written to a file or a pipe, the bytes stay
// as stored.

#include <cstddef>
#include <string>
#include <string_view>

namespace ql::console {

// Appends `text` to `out`, in the escaped form when `escape` is true, else unchanged.
void AppendShown(std::string_view text, bool escape, std::string& out);

// The columns a terminal takes to show `text` as AppendShown writes it: one per character of
// UTF-8, two for a wide (East Asian) one, none for a combining mark, one per byte that is not
// UTF-8; an escape counts its characters. Unescaped controls count none.
std::size_t ShownWidth(std::string_view text, bool escape);

// The length in bytes of the longest start of `text`, made of whole characters (an escape never
// split), that takes at most `columns` columns as ShownWidth counts them.
std::size_t ShownPrefix(std::string_view text, bool escape, std::size_t columns);

}  // namespace ql::console
