#include "db/value_format.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

#include "access/ole_date.h"

namespace db {
namespace {

using access::Variant;
using access::VarType;

// printf's "%f" (six decimals) whatever locale the process runs in: a point, never a comma.
std::string Fixed(double value) {
  // The integer part of a double has at most 309 digits.
  char buffer[400];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::fixed, 6);
  if (ec != std::errc()) end = buffer;
  *end++ = '\n';
  return std::string(buffer, end);
}

std::string Integer(long long value) { return std::to_string(value) + '\n'; }

std::string Date(const Variant& value) {
  const std::optional<access::CalendarTime> time = access::SplitOleDate(value.Real());
  if (!time) return "<Date out of range>\n";
  char text[96];
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%d:%d\n", time->year, time->month, time->day,
                time->hour, time->minute, time->second);
  return text;
}

std::string Text(const Variant& value) {
  std::string_view text = value.Bytes();
  // The text ends at its first NUL, as a C string would.
  text = text.substr(0, text.find('\0'));
  std::string line;
  line.reserve(text.size() + 3);
  line += '"';
  line += text;
  line += "\"\n";
  return line;
}

using Formatter = std::string (*)(const Variant&);

struct TypeFormat {
  VarType type;
  Formatter format;
};

constexpr VarType kByteArray = access::VT_ARRAY | access::VT_UI1;

constexpr std::array kTypeFormats{
    TypeFormat{access::VT_EMPTY, [](const Variant&) -> std::string { return "<NULL>\n"; }},
    TypeFormat{access::VT_NULL, [](const Variant&) -> std::string { return "<NULL>\n"; }},
    TypeFormat{access::VT_I1, [](const Variant& v) { return Integer(static_cast<std::int8_t>(v.Integer())); }},
    TypeFormat{access::VT_I2, [](const Variant& v) { return Integer(static_cast<std::int16_t>(v.Integer())); }},
    TypeFormat{access::VT_I4, [](const Variant& v) { return Integer(static_cast<std::int32_t>(v.Integer())); }},
    TypeFormat{access::VT_R4, [](const Variant& v) { return Fixed(v.Real()); }},
    TypeFormat{access::VT_R8, [](const Variant& v) { return Fixed(v.Real()); }},
    TypeFormat{access::VT_DATE, Date},
    TypeFormat{access::VT_BSTR, Text},
    TypeFormat{access::VT_BOOL,
               [](const Variant& v) -> std::string {
                 return static_cast<std::int16_t>(v.Integer()) != 0 ? "True\n" : "False\n";
               }},
    TypeFormat{access::VT_DECIMAL, [](const Variant& v) { return Fixed(v.ToDouble()); }},
    TypeFormat{kByteArray, [](const Variant&) -> std::string { return "<Binary>\n"; }},
    TypeFormat{access::VT_ILLEGAL, [](const Variant&) -> std::string { return "Illegal type\n"; }},
};

}  // namespace

std::string FormatValue(const Variant& value) {
  const VarType type = value.Type();
  for (const TypeFormat& entry : kTypeFormats) {
    if (entry.type == type) return entry.format(value);
  }
  if (type & access::VT_RESERVED) return "<Reserved type>\n";
  return "<Unsupport type:" + std::to_string(type) + ">\n";
}

}  // namespace db
