#pragma once

#include <cstdint>

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

}  // namespace ql::shell
