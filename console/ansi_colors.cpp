// Console attributes to SGR parameters.

#include "console/ansi_colors.h"

#include <charconv>
#include <utility>

namespace ql::console {

namespace {

// Console colour bits (blue 1, green 2, red 4) to the ANSI colour number (red 1, green 2, blue 4).
constexpr int kAnsiColor[8] = {0, 4, 2, 6, 1, 5, 3, 7};

constexpr int kDefaultForeground = 39;
constexpr int kDefaultBackground = 49;

// SGR parameters of one attribute, the terminal's defaults written as 39 and 49.
struct Colors {
  int foreground;
  int background;
};

Colors ColorsOf(std::uint16_t attribute) noexcept {
  if ((attribute & 0xFF) == kDefaultAttribute) return {kDefaultForeground, kDefaultBackground};
  const int fore = attribute & 0x0F;
  const int back = (attribute >> 4) & 0x0F;
  return {
      ((fore & 8) != 0 ? 90 : 30) + kAnsiColor[fore & 7],
      back == 0 ? kDefaultBackground : ((back & 8) != 0 ? 100 : 40) + kAnsiColor[back & 7],
  };
}

}  // namespace

ColorChange::ColorChange(std::uint16_t from, std::uint16_t to) noexcept {
  from &= 0xFF;
  to &= 0xFF;
  if (from == to) return;
  char* out = text_;
  *out++ = '\x1b';
  *out++ = '[';
  if (to == kDefaultAttribute) {
    *out++ = '0';
  } else {
    const Colors was = ColorsOf(from);
    const Colors now = ColorsOf(to);
    char* const end = text_ + sizeof text_;
    // No two attributes share both parameters, so at least one of them is written.
    bool first = true;
    for (const auto& [before, after] :
         {std::pair{was.foreground, now.foreground}, std::pair{was.background, now.background}}) {
      if (before == after) continue;
      if (!first) *out++ = ';';
      out = std::to_chars(out, end, after).ptr;
      first = false;
    }
  }
  *out++ = 'm';
  size_ = static_cast<std::size_t>(out - text_);
}

}  // namespace ql::console
