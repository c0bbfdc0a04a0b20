#include "access/core/money_text.h"

#include <algorithm>

#include "access/ascii.h"

namespace ql::access {

std::optional<std::string> MoneyDigits(std::string_view text) {
  std::string digits;
  if (text.starts_with('-')) {
    digits += '-';
    text.remove_prefix(1);
  }
  if (!text.starts_with('$')) return std::nullopt;
  text.remove_prefix(1);
  const std::size_t point = std::min(text.find('.'), text.size());
  // A comma only between digits of the whole part, three digits before the next comma or the point.
  for (std::size_t i = 0; i < point; ++i) {
    if (text[i] != ',') {
      digits += text[i];
    } else if (i == 0 || (point - i - 1) % 4 != 3) {
      return std::nullopt;
    }
  }
  digits += text.substr(point);
  if (!IsPlainDecimal(digits) || digits.starts_with('+')) return std::nullopt;
  return digits;
}

}  // namespace ql::access
