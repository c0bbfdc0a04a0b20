#pragma once
// Money as PostgreSQL writes it in text, read back into exact decimal digits.

#include <optional>
#include <string>
#include <string_view>

namespace ql::access {

// "$1,234.50" -> "1234.50", "-$92,233,720,368,547,758.08" -> "-92233720368547758.08": the form of
// the C and English locales (an optional minus, a dollar sign, groups of three digits between
// commas, a point before the cents). Nothing for any other text, such as another locale's symbol
// or separators, whose digits cannot be told apart for sure; the caller then keeps the text.
std::optional<std::string> MoneyDigits(std::string_view text);

}  // namespace ql::access
