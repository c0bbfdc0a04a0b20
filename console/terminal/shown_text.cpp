#include "console/terminal/shown_text.h"

#include <algorithm>
#include <iterator>

namespace ql::console {

namespace {

// One character of UTF-8, or one byte that does not start a well-formed sequence.
struct Unit {
  std::size_t length;
  char32_t code;  // the character, or the lone byte
  bool utf8;
};

Unit NextUnit(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const Unit lone{1, lead, false};
  if (lead < 0x80) return {1, lead, true};
  std::size_t length = 0;
  char32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return lone;
  }
  if (text.size() - pos < length) return lone;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[pos + k]);
    if ((next & 0xC0) != 0x80) return lone;
    code = (code << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
      (code >= 0xD800 && code <= 0xDFFF)) {
    return lone;
  }
  return {length, code, true};
}

bool IsControl(const Unit& unit) noexcept {
  const char32_t c = unit.code;
  // A lone byte of 0x80 to 0x9F is a C1 control to a terminal that reads 8-bit controls.
  if (!unit.utf8) return c >= 0x80 && c <= 0x9F;
  return (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}

void AppendEscape(char32_t code, std::string& out) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  if (code == 0) {
    out += "\\0";
    return;
  }
  out += "\\x";
  out += kHexDigits[(code >> 4) & 0x0F];
  out += kHexDigits[code & 0x0F];
}

std::size_t EscapeWidth(char32_t code) noexcept { return code == 0 ? 2 : 4; }

struct Range {
  char32_t first;
  char32_t last;
};

// Characters a terminal draws in two columns: the East Asian wide and full-width blocks, and the
// pictographs that terminals draw wide.
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x2E80, 0x303E},
    {0x3041, 0x33FF}, {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},
    {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Characters drawn on the one before them, taking no column of their own.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x1AB0, 0x1AFF},
    {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
};

template <std::size_t N>
bool InRanges(const Range (&ranges)[N], char32_t code) noexcept {
  const auto* found = std::upper_bound(std::begin(ranges), std::end(ranges), code,
                                       [](char32_t c, const Range& range) { return c < range.first; });
  return found != std::begin(ranges) && code <= std::prev(found)->last;
}

std::size_t UnitWidth(const Unit& unit, bool escape) noexcept {
  if (IsControl(unit)) return escape ? EscapeWidth(unit.code) : 0;
  if (!unit.utf8) return 1;
  if (InRanges(kWide, unit.code)) return 2;
  return InRanges(kZeroWidth, unit.code) ? 0 : 1;
}

}  // namespace

void AppendShown(std::string_view text, bool escape, std::string& out) {
  if (!escape) {
    out += text;
    return;
  }
  std::size_t plain = 0;  // where the bytes not yet appended start
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    // Printable ASCII needs no decoding: the common case stays a plain scan.
    if (byte >= 0x20 && byte < 0x7F) {
      ++pos;
      continue;
    }
    const Unit unit = NextUnit(text, pos);
    if (IsControl(unit)) {
      out.append(text, plain, pos - plain);
      AppendEscape(unit.code, out);
      plain = pos + unit.length;
    }
    pos += unit.length;
  }
  out.append(text, plain, text.size() - plain);
}

std::size_t ShownWidth(std::string_view text, bool escape) {
  // Printable ASCII, what names nearly always are, takes a column a byte. Measured once per field
  // of every record shown, the general road below took a quarter of a vertical display's time.
  std::size_t ascii = 0;
  while (ascii < text.size() && text[ascii] >= 0x20 && text[ascii] < 0x7F) ++ascii;
  if (ascii == text.size()) return ascii;
  std::size_t width = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const Unit unit = NextUnit(text, pos);
    pos += unit.length;
    width += UnitWidth(unit, escape);
  }
  return width;
}

std::size_t ShownPrefix(std::string_view text, bool escape, std::size_t columns) {
  std::size_t width = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const Unit unit = NextUnit(text, pos);
    width += UnitWidth(unit, escape);
    if (width > columns) break;
    pos += unit.length;
  }
  return pos;
}

}  // namespace ql::console
