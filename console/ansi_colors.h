#pragma once
// Console text attributes as ANSI SGR escape sequences.
//
// An attribute is a background nibble over a foreground nibble, each intensity 8, red 4, green 2,
// blue 1. Attribute 0x07 stands for the terminal's own colours and a black background for the
// terminal's default background, so that output stays readable on light terminals.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ql::console {

inline constexpr std::uint16_t kDefaultAttribute = 0x07;

// The escape sequence that takes a terminal showing attribute `from` to attribute `to`: empty when
// both look the same, "ESC[0m" for the terminal's own colours, otherwise only the parts that
// differ. Bits above the low eight are ignored.
class ColorChange {
 public:
  ColorChange(std::uint16_t from, std::uint16_t to) noexcept;
  std::string_view Text() const noexcept { return {text_, size_}; }

 private:
  // The longest sequence is ESC [ 1 0 7 ; 1 0 7 m.
  char text_[16];
  std::size_t size_ = 0;
};

}  // namespace ql::console
