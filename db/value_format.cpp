#include "db/value_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

#include "access/ascii.h"
#include "access/data_access_error.h"
#include "access/ole_date.h"

namespace ql::db {
namespace {

using access::Variant;
using access::VarType;

template <class Number>
void Integer(Number value, std::string& line) {
  AppendNumber(value, line);
}

// An exact number in the six-decimal form of "%f", written from its digits: the fraction is filled
// with zeros to six places, and digits beyond the sixth are kept as long as one of them is not zero,
// since rounding them away would show another number. `whole` and `fraction` are plain digits.
void SixDecimals(bool negative, std::string_view whole, std::string_view fraction, std::string& line) {
  while (fraction.size() > 6 && fraction.back() == '0') fraction.remove_suffix(1);
  if (negative) line += '-';
  line += whole.empty() ? std::string_view("0") : whole;
  line += '.';
  line += fraction;
  if (fraction.size() < 6) line.append(6 - fraction.size(), '0');
}

// A real number in the six-decimal form of printf's "%f", with a point whatever the locale, but
// with as many more decimals as it takes to read the same number back (the fewest such), so that no
// value shows as another: 1e-7 is 0.0000001, not 0.000000, and 1/3 keeps its sixteen 3s. A float
// gets the digits of a float, not those of its widening to double. Infinities and NaN show as
// "inf", "-inf" and "nan".
template <class Real>
void Fixed(Real value, std::string& line) {
  // The shortest fixed form of a double has at most 309 digits before the point and 327 after it.
  char buffer[400];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  std::string_view digits(buffer, ec == std::errc() ? end - buffer : 0);
  if (!std::isfinite(value) || digits.empty()) {
    line.append(digits);
    return;
  }
  const bool negative = digits.front() == '-';
  if (negative) digits.remove_prefix(1);
  const std::size_t point = digits.find('.');
  SixDecimals(negative, digits.substr(0, point),
              point == std::string_view::npos ? std::string_view() : digits.substr(point + 1), line);
}

// A decimal's canonical digits ("-12.50", "7", "0.0000015"). A decimal that holds no number (the
// layer keeps such a text as given) has no display form.
void Decimal(const Variant& value, std::string& line) {
  std::string_view digits = value.Bytes();
  if (!access::IsPlainDecimal(digits)) throw access::DataAccessError(access::kTypeMismatch);
  const bool negative = digits.front() == '-';
  if (negative || digits.front() == '+') digits.remove_prefix(1);
  const std::size_t point = digits.find('.');
  SixDecimals(negative, digits.substr(0, point),
              point == std::string_view::npos ? std::string_view() : digits.substr(point + 1), line);
}

// Currency counts ten-thousandths: its four decimals, then two zeros.
void Currency(const Variant& value, std::string& line) {
  const std::int64_t count = value.Integer();
  // Through unsigned arithmetic so that the smallest currency has a magnitude too.
  const std::uint64_t magnitude = count < 0 ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
  char whole[24];
  char* const wholeEnd = std::to_chars(whole, whole + sizeof whole, magnitude / 10000).ptr;
  const auto fraction = static_cast<unsigned>(magnitude % 10000);
  const char digits[4] = {static_cast<char>('0' + fraction / 1000), static_cast<char>('0' + fraction / 100 % 10),
                          static_cast<char>('0' + fraction / 10 % 10), static_cast<char>('0' + fraction % 10)};
  SixDecimals(count < 0, std::string_view(whole, static_cast<std::size_t>(wholeEnd - whole)),
              std::string_view(digits, sizeof digits), line);
}

// "year/month/day hour:minute:second", no leading zeros. A date read from its fields keeps them, so
// the number is split only for a date that came as a number.
void Date(const Variant& value, std::string& line) {
  std::optional<access::CalendarTime> time = value.CalendarFields();
  if (!time) time = access::SplitOleDate(value.Real());
  if (!time) {
    line += "<Date out of range>";
    return;
  }
  const int parts[] = {time->year, time->month, time->day, time->hour, time->minute, time->second};
  constexpr char kAfter[] = "// ::";
  // Six numbers of at most 11 characters each, and the separators between them.
  char text[6 * 12];
  char* out = text;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    const int part = parts[i];
    // Every field is below 10000: its digits directly, without to_chars' general case.
    if (part >= 0 && part < 10000) {
      if (part >= 1000) *out++ = static_cast<char>('0' + part / 1000);
      if (part >= 100) *out++ = static_cast<char>('0' + part / 100 % 10);
      if (part >= 10) *out++ = static_cast<char>('0' + part / 10 % 10);
      *out++ = static_cast<char>('0' + part % 10);
    } else {
      out = std::to_chars(out, text + sizeof text, part).ptr;
    }
    if (i + 1 < std::size(parts)) *out++ = kAfter[i];
  }
  line.append(text, out);
}

// Whole, NULs included: the console shows them. The record display quotes it, a table does not.
void Text(const Variant& value, std::string& line) { line += value.Bytes(); }

using Formatter = void (*)(const Variant&, std::string&);

struct TypeFormat {
  VarType type;
  Formatter format;
};

constexpr VarType kByteArray = access::VT_ARRAY | access::VT_UI1;

constexpr std::array kTypeFormats{
    TypeFormat{access::VT_EMPTY, [](const Variant&, std::string& line) { line += "<NULL>"; }},
    TypeFormat{access::VT_NULL, [](const Variant&, std::string& line) { line += "<NULL>"; }},
    TypeFormat{access::VT_I1,
               [](const Variant& v, std::string& line) { Integer(static_cast<std::int8_t>(v.Integer()), line); }},
    TypeFormat{access::VT_I2,
               [](const Variant& v, std::string& line) { Integer(static_cast<std::int16_t>(v.Integer()), line); }},
    TypeFormat{access::VT_I4,
               [](const Variant& v, std::string& line) { Integer(static_cast<std::int32_t>(v.Integer()), line); }},
    TypeFormat{access::VT_I8, [](const Variant& v, std::string& line) { Integer(v.Integer(), line); }},
    TypeFormat{access::VT_UI1,
               [](const Variant& v, std::string& line) { Integer(static_cast<std::uint8_t>(v.Unsigned()), line); }},
    TypeFormat{access::VT_UI2,
               [](const Variant& v, std::string& line) { Integer(static_cast<std::uint16_t>(v.Unsigned()), line); }},
    TypeFormat{access::VT_UI4,
               [](const Variant& v, std::string& line) { Integer(static_cast<std::uint32_t>(v.Unsigned()), line); }},
    TypeFormat{access::VT_UI8, [](const Variant& v, std::string& line) { Integer(v.Unsigned(), line); }},
    TypeFormat{access::VT_CY, Currency},
    TypeFormat{access::VT_R4, [](const Variant& v, std::string& line) { Fixed(static_cast<float>(v.Real()), line); }},
    TypeFormat{access::VT_R8, [](const Variant& v, std::string& line) { Fixed(v.Real(), line); }},
    TypeFormat{access::VT_DATE, Date},
    TypeFormat{access::VT_BSTR, Text},
    TypeFormat{access::VT_BOOL,
               [](const Variant& v, std::string& line) {
                 line += static_cast<std::int16_t>(v.Integer()) != 0 ? "True" : "False";
               }},
    TypeFormat{access::VT_DECIMAL, Decimal},
    TypeFormat{kByteArray, [](const Variant&, std::string& line) { line += "<Binary>"; }},
    TypeFormat{access::VT_ILLEGAL, [](const Variant&, std::string& line) { line += "Illegal type"; }},
};

// The formatter of each type below kDirectTypes, found by indexing rather than by searching the
// table for every value shown; the other types are searched for.
constexpr VarType kDirectTypes = access::VT_UI8 + 1;
constexpr std::array<Formatter, kDirectTypes> kDirectFormats = [] {
  std::array<Formatter, kDirectTypes> direct{};
  for (const TypeFormat& entry : kTypeFormats) {
    if (entry.type < kDirectTypes) direct[entry.type] = entry.format;
  }
  return direct;
}();

bool IsNumber(VarType type) noexcept {
  switch (type) {
    case access::VT_I1:
    case access::VT_I2:
    case access::VT_I4:
    case access::VT_I8:
    case access::VT_UI1:
    case access::VT_UI2:
    case access::VT_UI4:
    case access::VT_UI8:
    case access::VT_CY:
    case access::VT_R4:
    case access::VT_R8:
    case access::VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

// The value's text without quotes or line end.
void AppendBare(const Variant& value, std::string& line) {
  const VarType type = value.Type();
  if (type < kDirectTypes && kDirectFormats[type] != nullptr) return kDirectFormats[type](value, line);
  for (const TypeFormat& entry : kTypeFormats) {
    if (entry.type == type) return entry.format(value, line);
  }
  if (type & access::VT_RESERVED) {
    line += "<Reserved type>";
    return;
  }
  line += "<Unsupport type:";
  AppendNumber(static_cast<unsigned>(type), line);
  line += '>';
}

}  // namespace

void FormatValue(const Variant& value, std::string& line) {
  if (value.Type() == access::VT_BSTR) {
    line += '"';
    Text(value, line);
    line += "\"\n";
    return;
  }
  AppendBare(value, line);
  line += '\n';
}

CellKind FormatCell(const Variant& value, std::string& cell) {
  AppendBare(value, cell);
  const VarType type = value.Type();
  if (type == access::VT_EMPTY || type == access::VT_NULL) return CellKind::kNull;
  return IsNumber(type) ? CellKind::kNumber : CellKind::kOther;
}

}  // namespace ql::db
