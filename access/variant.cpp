#include "access/variant.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "access/ascii.h"
#include "access/data_access_error.h"
#include "access/ole_date.h"

namespace ql::access {
namespace {

// "+007.50" -> "7.50", ".5" -> "0.5", "-0.0" -> "0.0": one sign at most, no redundant leading zeros,
// the scale (trailing zeros) kept. A text that is not a plain decimal number is kept as given, and
// ToDouble then refuses it.
std::string CanonicalDecimal(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::string_view body = text;
  bool negative = false;
  if (!body.empty() && (body.front() == '-' || body.front() == '+')) {
    negative = body.front() == '-';
    body.remove_prefix(1);
  }
  const std::size_t point = body.find('.');
  std::string_view whole = body.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
  if (!IsPlainDecimal(body) || body.front() == '-' || body.front() == '+') return std::string(text);
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  std::string result;
  bool zero = true;
  for (char c : whole) zero = zero && c == '0';
  for (char c : fraction) zero = zero && c == '0';
  if (negative && !zero) result += '-';
  result += whole.empty() ? std::string_view("0") : whole;
  if (!fraction.empty()) {
    result += '.';
    result += fraction;
  }
  return result;
}

[[noreturn]] void Mismatch() { throw DataAccessError(kTypeMismatch); }

template <class Number>
std::string Shortest(Number value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec != std::errc()) Mismatch();
  return std::string(buffer, end);
}

std::string CurrencyText(std::int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  // Through unsigned arithmetic so that the smallest value has a magnitude too.
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(tenThousandths) : static_cast<std::uint64_t>(tenThousandths);
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / 10000);
  unsigned fraction = static_cast<unsigned>(magnitude % 10000);
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, ".%04u", fraction);
    std::string_view part = digits;
    while (part.back() == '0') part.remove_suffix(1);
    text += part;
  }
  return text;
}

std::string DateText(double oleDate) {
  std::optional<CalendarTime> time = SplitOleDate(oleDate);
  if (!time) throw DataAccessError(kOutOfRange);
  char buffer[48];
  if (time->hour == 0 && time->minute == 0 && time->second == 0) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", time->year, time->month, time->day);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", time->year, time->month, time->day,
                  time->hour, time->minute, time->second);
  }
  return buffer;
}

double ParseNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) Mismatch();
  return value;
}

}  // namespace

Variant Variant::Null() { return OfType(VT_NULL); }

Variant Variant::Missing() { return OfInteger(VT_ERROR, kParamNotFound); }

Variant Variant::I1(std::int8_t value) { return OfInteger(VT_I1, value); }

Variant Variant::I2(std::int16_t value) { return OfInteger(VT_I2, value); }

Variant Variant::I4(std::int32_t value) { return OfInteger(VT_I4, value); }

Variant Variant::I8(std::int64_t value) { return OfInteger(VT_I8, value); }

// Kept as the same 64 bits; Unsigned() reads them back as they were given.
Variant Variant::UI8(std::uint64_t value) { return OfInteger(VT_UI8, static_cast<std::int64_t>(value)); }

Variant Variant::R4(float value) {
  Variant v = OfType(VT_R4);
  v.real_ = value;
  return v;
}

Variant Variant::R8(double value) {
  Variant v = OfType(VT_R8);
  v.real_ = value;
  return v;
}

Variant Variant::Currency(std::int64_t tenThousandths) { return OfInteger(VT_CY, tenThousandths); }

std::optional<Variant> Variant::CurrencyFromDigits(std::string_view digits) {
  const std::string canonical = CanonicalDecimal(digits);
  std::string_view body = canonical;
  if (!IsPlainDecimal(body)) return std::nullopt;
  const bool negative = body.front() == '-';
  if (negative) body.remove_prefix(1);
  const std::size_t point = body.find('.');
  std::string_view whole = body.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
  // Zeros beyond the fourth decimal change nothing; any other digit there would be lost.
  while (fraction.size() > 4 && fraction.back() == '0') fraction.remove_suffix(1);
  if (fraction.size() > 4) return std::nullopt;
  // The magnitude in ten-thousandths, built in unsigned arithmetic so that the smallest currency,
  // whose magnitude is one more than the largest, is read too.
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
  std::uint64_t magnitude = 0;
  const auto push = [&magnitude](char digit) {
    const auto d = static_cast<std::uint64_t>(digit - '0');
    if (magnitude > (kLimit - d) / 10) return false;
    magnitude = magnitude * 10 + d;
    return true;
  };
  for (char c : whole) {
    if (!push(c)) return std::nullopt;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    if (!push(i < fraction.size() ? fraction[i] : '0')) return std::nullopt;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  return Currency(negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude));
}

Variant Variant::Date(double oleDate) {
  Variant v = OfType(VT_DATE);
  v.real_ = oleDate;
  return v;
}

Variant Variant::Date(double oleDate, const CalendarTime& fields) {
  Variant v;
  v.AssignDate(oleDate, fields);
  return v;
}

Variant Variant::Bool(std::int16_t raw) { return OfInteger(VT_BOOL, raw); }

Variant Variant::Text(std::string_view utf8) {
  Variant v = OfType(VT_BSTR);
  v.text_.assign(utf8);
  return v;
}

Variant Variant::Decimal(std::string_view digits) {
  Variant v = OfType(VT_DECIMAL);
  v.text_ = CanonicalDecimal(digits);
  return v;
}

Variant Variant::Bytes(std::string_view bytes) {
  Variant v = OfType(VT_ARRAY | VT_UI1);
  v.text_.assign(bytes);
  return v;
}

void Variant::AssignText(std::string_view utf8) {
  type_ = VT_BSTR;
  integer_ = 0;
  real_ = 0;
  text_.assign(utf8);
}

void Variant::AssignBytes(std::string_view bytes) {
  type_ = VT_ARRAY | VT_UI1;
  integer_ = 0;
  real_ = 0;
  text_.assign(bytes);
}

Variant Variant::OfType(VarType type) {
  Variant v;
  v.type_ = type;
  return v;
}

Variant Variant::OfInteger(VarType type, std::int64_t value) {
  Variant v = OfType(type);
  v.integer_ = value;
  return v;
}

std::string Variant::ToText() const {
  switch (type_) {
    case VT_EMPTY:
      return {};
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
      return std::to_string(integer_);
    case VT_UI8:
      return std::to_string(Unsigned());
    case VT_R4:
      return Shortest(static_cast<float>(real_));
    case VT_R8:
      return Shortest(real_);
    case VT_CY:
      return CurrencyText(integer_);
    case VT_DATE:
      return DateText(real_);
    case VT_BOOL:
      return integer_ != 0 ? "True" : "False";
    case VT_BSTR:
    case VT_DECIMAL:
      return text_;
    default:
      // NULL, errors, byte arrays and the types the layer only carries have no text form.
      Mismatch();
  }
}

double Variant::ToDouble() const {
  switch (type_) {
    case VT_EMPTY:
      return 0;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_BOOL:
      return static_cast<double>(integer_);
    case VT_UI8:
      return static_cast<double>(Unsigned());
    case VT_R4:
    case VT_R8:
    case VT_DATE:
      return real_;
    case VT_CY:
      return static_cast<double>(integer_) / 10000.0;
    case VT_DECIMAL:
      if (!IsPlainDecimal(text_)) Mismatch();
      return ParseNumber(text_);
    case VT_BSTR:
      return ParseNumber(text_);
    default:
      Mismatch();
  }
}

}  // namespace ql::access
