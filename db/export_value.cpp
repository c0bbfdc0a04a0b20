#include "db/export_value.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "access/ascii.h"
#include "access/ole_date.h"
#include "db/value_format.h"

namespace ql::db {

namespace {

using access::Variant;

// The shortest round-trip form of the value at its own width; NaN and the infinities as words a
// JSON reader (and Python's float) takes back.
template <class Real>
ExportKind AppendReal(Real value, std::string& out) {
  if (std::isnan(value)) {
    out += "NaN";
    return ExportKind::kText;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-Infinity" : "Infinity";
    return ExportKind::kText;
  }
  char digits[64];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, error == std::errc() ? end : digits);
  return ExportKind::kNumber;
}

void AppendCurrency(std::int64_t count, std::string& out) {
  const std::uint64_t magnitude = count < 0 ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
  if (count < 0) out += '-';
  AppendNumber(magnitude / 10000, out);
  const auto fraction = static_cast<unsigned>(magnitude % 10000);
  out += '.';
  out += static_cast<char>('0' + fraction / 1000);
  out += static_cast<char>('0' + fraction / 100 % 10);
  out += static_cast<char>('0' + fraction / 10 % 10);
  out += static_cast<char>('0' + fraction % 10);
}

// Two digits into `at`, a zero first under ten.
char* TwoDigits(int value, char* at) {
  at[0] = static_cast<char>('0' + value / 10 % 10);
  at[1] = static_cast<char>('0' + value % 10);
  return at + 2;
}

// Built in a buffer and appended once: a date is written for every row of an export.
void AppendDate(const Variant& date, std::string& out) {
  std::optional<access::CalendarTime> time = date.CalendarFields();
  if (!time) time = access::SplitOleDate(date.Real());
  if (!time) {
    out += "<Date out of range>";
    return;
  }
  char text[20];  // "YYYY-MM-DDTHH:MM:SS"
  // Years 100 to 999 keep four digits, as ISO 8601 writes them.
  char* at = TwoDigits(time->year / 100, text);
  at = TwoDigits(time->year % 100, at);
  *at++ = '-';
  at = TwoDigits(time->month, at);
  *at++ = '-';
  at = TwoDigits(time->day, at);
  if (time->hour != 0 || time->minute != 0 || time->second != 0) {
    *at++ = 'T';
    at = TwoDigits(time->hour, at);
    *at++ = ':';
    at = TwoDigits(time->minute, at);
    *at++ = ':';
    at = TwoDigits(time->second, at);
  }
  out.append(text, at);
}

void AppendBase64(std::string_view bytes, std::string& out) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                                static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                                static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[group >> 18];
    out += kAlphabet[group >> 12 & 63];
    out += kAlphabet[group >> 6 & 63];
    out += kAlphabet[group & 63];
  }
  const std::size_t left = bytes.size() - i;
  if (left == 0) return;
  std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
  if (left == 2) group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
  out += kAlphabet[group >> 18];
  out += kAlphabet[group >> 12 & 63];
  out += left == 2 ? kAlphabet[group >> 6 & 63] : '=';
  out += '=';
}

}  // namespace

ExportKind AppendExportValue(const Variant& value, std::string& out) {
  switch (value.Type()) {
    case access::VT_EMPTY:
    case access::VT_NULL:
      return ExportKind::kNull;
    case access::VT_I1:
    case access::VT_I2:
    case access::VT_I4:
    case access::VT_I8:
      AppendNumber(value.Integer(), out);
      return ExportKind::kNumber;
    case access::VT_UI1:
    case access::VT_UI2:
    case access::VT_UI4:
    case access::VT_UI8:
      AppendNumber(value.Unsigned(), out);
      return ExportKind::kNumber;
    case access::VT_CY:
      AppendCurrency(value.Integer(), out);
      return ExportKind::kNumber;
    case access::VT_R4:
      return AppendReal(static_cast<float>(value.Real()), out);
    case access::VT_R8:
      return AppendReal(value.Real(), out);
    case access::VT_DECIMAL:
      out += value.Bytes();
      // A decimal that holds no number (the layer keeps such a text as given) is a text.
      return access::IsPlainDecimal(value.Bytes()) ? ExportKind::kNumber : ExportKind::kText;
    case access::VT_BOOL:
      out += static_cast<std::int16_t>(value.Integer()) != 0 ? "true" : "false";
      return ExportKind::kBoolean;
    case access::VT_DATE:
      AppendDate(value, out);
      return ExportKind::kText;
    case access::VT_BSTR:
      out += value.Bytes();
      return ExportKind::kText;
    case access::VT_ARRAY | access::VT_UI1:
      AppendBase64(value.Bytes(), out);
      return ExportKind::kText;
    default:
      FormatCell(value, out);
      return ExportKind::kText;
  }
}

}  // namespace ql::db
