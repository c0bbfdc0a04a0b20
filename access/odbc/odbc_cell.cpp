#include "access/odbc/odbc_cell.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "access/ascii.h"
#include "access/ole_date.h"

namespace ql::access {
namespace {

template <class Number>
std::optional<Number> ParseWhole(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// Reads exactly `count` digits at `at`, moving past them.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t count) {
  if (at > text.size() || text.size() - at < count) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsAsciiDigit(text[at + i])) return std::nullopt;
    value = value * 10 + (text[at + i] - '0');
  }
  at += count;
  return value;
}

bool Expect(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

// "HH:MM:SS" with an optional fraction of a second, which is dropped: the display shows whole
// seconds, and a fraction kept in the date's double could round it up into the next second or day.
// A time with a zone ("Z", "+02", "-05:30") or an era after it does not parse: the date form cannot
// show them, so such a value is kept as the text the database gave.
bool ParseTime(std::string_view text, std::size_t& at, CalendarTime& time) {
  const auto hour = Digits(text, at, 2);
  if (!hour || !Expect(text, at, ':')) return false;
  const auto minute = Digits(text, at, 2);
  if (!minute || !Expect(text, at, ':')) return false;
  const auto second = Digits(text, at, 2);
  if (!second) return false;
  time.hour = *hour;
  time.minute = *minute;
  time.second = *second;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && IsAsciiDigit(text[at])) ++at;
  }
  return true;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS[.f]" (or with 'T'), or a time of day alone, which falls on
// day 0 of the OLE calendar, as a time value does there.
std::optional<double> ParseDate(std::string_view text) {
  CalendarTime time{1899, 12, 30, 0, 0, 0};
  std::size_t at = 0;
  if (text.size() >= 3 && text[2] == ':') {
    if (!ParseTime(text, at, time)) return std::nullopt;
  } else {
    const auto year = Digits(text, at, 4);
    if (!year || !Expect(text, at, '-')) return std::nullopt;
    const auto month = Digits(text, at, 2);
    if (!month || !Expect(text, at, '-')) return std::nullopt;
    const auto day = Digits(text, at, 2);
    if (!day) return std::nullopt;
    time.year = *year;
    time.month = *month;
    time.day = *day;
    if (at < text.size() && (text[at] == ' ' || text[at] == 'T')) {
      ++at;
      if (!ParseTime(text, at, time)) return std::nullopt;
    }
  }
  if (at != text.size()) return std::nullopt;
  return MakeOleDate(time);
}

// Money as the PostgreSQL driver writes it in the C and English locales: "$1,234.50",
// "-$92,233,720,368,547,758.08". Currency when it fits, exact digits otherwise; nothing for any
// other form (another locale's symbol or separators), which is then kept as text.
bool PutMoney(std::string_view text, RowWriter& row) {
  std::string digits;
  if (text.starts_with('-')) {
    digits += '-';
    text.remove_prefix(1);
  }
  if (!text.starts_with('$')) return false;
  text.remove_prefix(1);
  const std::size_t point = std::min(text.find('.'), text.size());
  // Group separators only between digits of the whole part, three digits apart.
  for (std::size_t i = 0; i < point; ++i) {
    if (text[i] != ',') {
      digits += text[i];
      continue;
    }
    if (i == 0 || (point - i - 1) % 4 != 3) return false;
  }
  digits += text.substr(point);
  if (!IsPlainDecimal(digits) || digits.starts_with('+')) return false;
  if (const std::optional<Variant> currency = Variant::CurrencyFromDigits(digits)) {
    row.PutCurrency(currency->Integer());
  } else {
    row.PutDecimal(digits);
  }
  return true;
}

// What the MDBTools driver writes for every date it cannot convert (before 1900, or millennia
// ahead): no such day exists and the driver offers the value no other way, so it becomes a date out
// of range rather than a text that looks like a date.
constexpr std::string_view kMdbToolsUnreadableDate = "1900-01-00 00:00:00";

void PutNumberOrText(std::string_view text, RowWriter& row) {
  if (IsPlainDecimal(text)) {
    row.PutDecimal(text);
  } else {
    row.PutText(text);
  }
}

void PutInteger(ValueKind kind, std::string_view text, RowWriter& row) {
  const std::optional<std::int64_t> value = ParseWhole<std::int64_t>(text);
  if (!value) {
    // An unsigned BIGINT above the largest signed one.
    if (const auto large = ParseWhole<std::uint64_t>(text)) return row.PutUnsigned(*large);
    return PutNumberOrText(text, row);
  }
  if (kind == ValueKind::kTinyInt && *value >= std::numeric_limits<std::int8_t>::min() &&
      *value <= std::numeric_limits<std::int8_t>::max()) {
    return row.PutTinyInt(static_cast<std::int8_t>(*value));
  }
  if (kind == ValueKind::kSmallInt && *value >= std::numeric_limits<std::int16_t>::min() &&
      *value <= std::numeric_limits<std::int16_t>::max()) {
    return row.PutSmallInt(static_cast<std::int16_t>(*value));
  }
  row.PutInteger(*value);
}

// MariaDB gives a BIT(1) as its one raw byte; other drivers write "1" or "0".
void PutBool(std::string_view text, RowWriter& row) {
  if (text.size() == 1 && (text[0] == '\0' || text[0] == '\1')) return row.PutBool(text[0] != '\0');
  if (text == "1" || EqualsIgnoringCase(text, "t") || EqualsIgnoringCase(text, "true")) return row.PutBool(true);
  if (text == "0" || EqualsIgnoringCase(text, "f") || EqualsIgnoringCase(text, "false")) return row.PutBool(false);
  row.PutText(text);
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string Utf16ToUtf8(std::string_view units) {
  constexpr std::uint32_t kReplacement = 0xFFFD;
  const std::size_t count = units.size() / 2;
  const auto unit = [&units](std::size_t i) {
    std::uint16_t value;
    std::memcpy(&value, units.data() + 2 * i, 2);
    return value;
  };
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t first = unit(i);
    if (first >= 0xD800 && first <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<std::uint32_t>(first) - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (first >= 0xD800 && first <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, first);
    }
  }
  return out;
}

void PutFetchedValue(ValueKind kind, std::string_view bytes, RowWriter& row) {
  switch (kind) {
    case ValueKind::kTinyInt:
    case ValueKind::kSmallInt:
    case ValueKind::kInteger:
      return PutInteger(kind, bytes, row);
    case ValueKind::kReal:
      if (const auto value = ParseWhole<float>(bytes)) return row.PutReal(*value);
      return row.PutText(bytes);
    case ValueKind::kDouble:
      if (const auto value = ParseWhole<double>(bytes)) return row.PutDouble(*value);
      if (PutMoney(bytes, row)) return;
      return row.PutText(bytes);
    case ValueKind::kDecimal:
      return PutNumberOrText(bytes, row);
    case ValueKind::kBool:
      return PutBool(bytes, row);
    case ValueKind::kDate:
      if (const auto date = ParseDate(bytes)) return row.PutDate(*date);
      if (bytes == kMdbToolsUnreadableDate) return row.PutDate(std::numeric_limits<double>::quiet_NaN());
      return row.PutText(bytes);
    case ValueKind::kText:
      return row.PutText(bytes);
    case ValueKind::kWideText:
      return row.PutText(Utf16ToUtf8(bytes));
    case ValueKind::kBinary:
      return row.PutBinary(bytes);
  }
}

}  // namespace ql::access
