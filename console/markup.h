#pragma once
// The colour markup of ColorConsole seen from outside: where a text may be cut in two without
// changing what the console makes of it.

#include <string_view>

namespace console {

// True when the last colour change of `text` lacks digits that a text printed right after it would
// supply: printing `text` and then another text differs from printing the two joined. False when
// they may be joined.
bool EndsInsideMarkup(std::string_view text) noexcept;

}  // namespace console
