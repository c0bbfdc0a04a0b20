#include "access/core/value_text.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "access/ascii.h"
#include "access/core/money_text.h"

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

// What the MDBTools driver writes for every date it cannot convert (before 1900, or millennia
// ahead): no such day exists and the driver offers the value no other way, so it becomes a date out
// of range rather than a text that looks like a date.
constexpr std::string_view kMdbToolsUnreadableDate = "1900-01-00 00:00:00";

// Money as the PostgreSQL driver writes it: currency when it fits, exact digits beyond.
bool PutMoney(std::string_view text, RowWriter& row) {
  const std::optional<std::string> digits = MoneyDigits(text);
  if (!digits) return false;
  if (const std::optional<Variant> currency = Variant::CurrencyFromDigits(*digits)) {
    row.PutCurrency(currency->Integer());
  } else {
    row.PutDecimal(*digits);
  }
  return true;
}

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
      if (row.PutDateText(bytes)) return;
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
