#include "db/value_format.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

#include "access/ole_date.h"

namespace db {
namespace {

using access::Variant;
using access::VarType;

// printf's "%f" (six decimals) whatever locale the process runs in: a point, never a comma.
void Fixed(double value, std::string& line) {
  // The integer part of a double has at most 309 digits.
  char buffer[400];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::fixed, 6);
  if (ec != std::errc()) end = buffer;
  *end++ = '\n';
  line.append(buffer, end);
}

// Each number without padding, as "%d" would give it.
void AppendNumber(long long value, std::string& line) {
  char digits[24];
  char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  line.append(digits, end);
}

void Integer(long long value, std::string& line) {
  AppendNumber(value, line);
  line += '\n';
}

// "year/month/day hour:minute:second", no leading zeros.
void Date(const Variant& value, std::string& line) {
  const std::optional<access::CalendarTime> time = access::SplitOleDate(value.Real());
  if (!time) {
    line += "<Date out of range>\n";
    return;
  }
  const int parts[] = {time->year, time->month, time->day, time->hour, time->minute, time->second};
  constexpr char kAfter[] = "// ::\n";
  // Six numbers of at most 11 characters each, and their separators.
  char text[6 * 12];
  char* out = text;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    out = std::to_chars(out, text + sizeof text, parts[i]).ptr;
    *out++ = kAfter[i];
  }
  line.append(text, out);
}

void Text(const Variant& value, std::string& line) {
  // Whole, NULs included: the console shows them.
  const std::string_view text = value.Bytes();
  line += '"';
  line += text;
  line += "\"\n";
}

using Formatter = void (*)(const Variant&, std::string&);

struct TypeFormat {
  VarType type;
  Formatter format;
};

constexpr VarType kByteArray = access::VT_ARRAY | access::VT_UI1;

constexpr std::array kTypeFormats{
    TypeFormat{access::VT_EMPTY, [](const Variant&, std::string& line) { line += "<NULL>\n"; }},
    TypeFormat{access::VT_NULL, [](const Variant&, std::string& line) { line += "<NULL>\n"; }},
    TypeFormat{access::VT_I1, [](const Variant& v, std::string& line) { Integer(static_cast<std::int8_t>(v.Integer()), line); }},
    TypeFormat{access::VT_I2, [](const Variant& v, std::string& line) { Integer(static_cast<std::int16_t>(v.Integer()), line); }},
    TypeFormat{access::VT_I4, [](const Variant& v, std::string& line) { Integer(static_cast<std::int32_t>(v.Integer()), line); }},
    TypeFormat{access::VT_R4, [](const Variant& v, std::string& line) { Fixed(v.Real(), line); }},
    TypeFormat{access::VT_R8, [](const Variant& v, std::string& line) { Fixed(v.Real(), line); }},
    TypeFormat{access::VT_DATE, Date},
    TypeFormat{access::VT_BSTR, Text},
    TypeFormat{access::VT_BOOL,
               [](const Variant& v, std::string& line) {
                 line += static_cast<std::int16_t>(v.Integer()) != 0 ? "True\n" : "False\n";
               }},
    TypeFormat{access::VT_DECIMAL, [](const Variant& v, std::string& line) { Fixed(v.ToDouble(), line); }},
    TypeFormat{kByteArray, [](const Variant&, std::string& line) { line += "<Binary>\n"; }},
    TypeFormat{access::VT_ILLEGAL, [](const Variant&, std::string& line) { line += "Illegal type\n"; }},
};

}  // namespace

void FormatValue(const Variant& value, std::string& line) {
  const VarType type = value.Type();
  for (const TypeFormat& entry : kTypeFormats) {
    if (entry.type == type) return entry.format(value, line);
  }
  if (type & access::VT_RESERVED) {
    line += "<Reserved type>\n";
    return;
  }
  line += "<Unsupport type:";
  AppendNumber(type, line);
  line += ">\n";
}

}  // namespace db
