#pragma once
// The colour markup of ColorConsole seen from outside: where a text may be cut in two without
// changing what the console makes of it.

#include <string_view>

namespace console {

// True when `text` ends in a colour change: one that lacks digits a text printed right after it
// would supply, or one that nothing of `text` follows, which the console drops at the end of a
// text. Printing `text` and then another text may then differ from printing the two joined; when
// false, they may be joined.
bool EndsInsideMarkup(std::string_view text) noexcept;

}  // namespace console
