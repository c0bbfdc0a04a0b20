#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ql::shell {

enum TokenKind : std::int32_t {
  Blank = 0,
  Word = 1,
  Number = 2,
  HexNumber = 3,
  Operator = 4,
  Quote = 5,
  Other = 6,
};

// Console attributes of echoed tokens, by kind, as the two hex digits of the colour markup.
inline constexpr std::uint8_t TokenColors[] = {0x00, 0x09, 0x0E, 0x06, 0x0A, 0x09, 0x07};

// Appends the markup that sets `attribute` ("#XY") and then `piece`. The pieces are appended, never
// formatted into a fixed buffer, so a name, token or help text of any length is kept whole.
inline void AppendColored(std::string& markup, std::uint8_t attribute, std::string_view piece) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  markup += '#';
  markup += kHexDigits[attribute >> 4];
  markup += kHexDigits[attribute & 0x0F];
  markup += piece;
}

}  // namespace ql::shell
