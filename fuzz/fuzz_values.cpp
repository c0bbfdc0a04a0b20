// Value formatting for the record display, and OLE Automation dates.
//
// Properties: calendar fields in range make a date that splits back into the same fields; any
// double splits into fields in range or into nothing; a formatted value is one line, or nothing
// with an error; integers of every width read back as the same integer, exact decimals and
// currency as the same number digit for digit, doubles as a number within half a unit of the last
// decimal shown, dates as the fields the date splits into.

#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "access/ascii.h"
#include "access/data_access_error.h"
#include "access/ole_date.h"
#include "access/variant.h"
#include "db/value_format.h"

namespace ql {

namespace {

using ql::access::CalendarTime;
using ql::access::Variant;

[[noreturn]] void Fail(const char* what, std::string_view detail) {
  std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(detail.size()), detail.data());
  std::abort();
}

// A plain decimal ("-007.50", "+.5") as sign, whole digits without leading zeros and fraction
// digits without trailing zeros, so that two texts of the same number compare equal.
std::string CanonicalNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  if (whole.empty() && fraction.empty()) negative = false;
  return (negative ? "-" : "") + std::string(whole) + "." + std::string(fraction);
}

bool InRange(const CalendarTime& t) {
  return t.year >= 100 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 &&
         t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::string Describe(const CalendarTime& t) {
  char text[80];
  std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

void CheckDates(FuzzedDataProvider& data) {
  const CalendarTime fields{data.ConsumeIntegralInRange(90, 10010), data.ConsumeIntegralInRange(0, 13),
                            data.ConsumeIntegralInRange(0, 32),     data.ConsumeIntegralInRange(-1, 24),
                            data.ConsumeIntegralInRange(-1, 60),    data.ConsumeIntegralInRange(-1, 60)};
  if (const std::optional<double> date = ql::access::MakeOleDate(fields)) {
    if (!InRange(fields)) Fail("a date made of fields out of range", Describe(fields));
    const std::optional<CalendarTime> back = ql::access::SplitOleDate(*date);
    if (!back || !(*back == fields)) Fail("fields do not survive a round trip", Describe(fields));
  }
  const double any = data.ConsumeFloatingPoint<double>();
  if (const std::optional<CalendarTime> split = ql::access::SplitOleDate(any)) {
    if (!InRange(*split)) Fail("a split date out of range", Describe(*split));
    const std::optional<double> made = ql::access::MakeOleDate(*split);
    if (!made) Fail("split fields make no date", Describe(*split));
    if (!(ql::access::SplitOleDate(*made) == split)) Fail("split, made and split again differs", Describe(*split));
  }
}

// The formatted line without its line end; fails unless there is exactly one, at the end.
std::string_view OneLine(const std::string& line, bool mayHoldLineEnds) {
  if (line.empty() || line.back() != '\n') Fail("no line end", line);
  if (!mayHoldLineEnds && line.find('\n') != line.size() - 1) Fail("more than one line", line);
  return std::string_view(line).substr(0, line.size() - 1);
}

void CheckFormat(FuzzedDataProvider& data) {
  Variant value;
  const int kind = data.ConsumeIntegralInRange(0, 12);
  std::string expectedNumber;  // kinds 9 and 10: the exact number the line must show
  switch (kind) {
    case 0:
      value = Variant::I1(data.ConsumeIntegral<std::int8_t>());
      break;
    case 1:
      value = Variant::I2(data.ConsumeIntegral<std::int16_t>());
      break;
    case 2:
      value = Variant::I4(data.ConsumeIntegral<std::int32_t>());
      break;
    case 9: {
      const auto count = data.ConsumeIntegral<std::int64_t>();
      value = Variant::Currency(count);
      // Ten-thousandths: the digits with a point four places from the end.
      const std::uint64_t magnitude =
          count < 0 ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
      std::string digits = std::to_string(magnitude);
      if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
      digits.insert(digits.size() - 4, ".");
      expectedNumber = CanonicalNumber((count < 0 ? "-" : "") + digits);
      break;
    }
    case 10: {
      std::string digits = data.ConsumeRandomLengthString(40);
      value = Variant::Decimal(digits);
      if (ql::access::IsPlainDecimal(value.Bytes())) expectedNumber = CanonicalNumber(value.Bytes());
      break;
    }
    case 11:
      value = Variant::I8(data.ConsumeIntegral<std::int64_t>());
      break;
    case 12:
      value = Variant::UI8(data.ConsumeIntegral<std::uint64_t>());
      break;
    case 3:
      value = Variant::R8(data.ConsumeFloatingPoint<double>());
      break;
    case 4:
      value = Variant::Date(data.ConsumeFloatingPoint<double>());
      break;
    case 5:
      value = Variant::Text(data.ConsumeRandomLengthString(1000));
      break;
    case 6:
      value = Variant::Decimal(data.ConsumeRandomLengthString(60));
      break;
    case 7:
      value = Variant::Bytes(data.ConsumeRandomLengthString(100));
      break;
    default:
      value = Variant::OfType(data.ConsumeIntegral<std::uint16_t>());
      break;
  }
  std::string line;
  try {
    db::FormatValue(value, line);
  } catch (const ql::access::DataAccessError&) {
    if (!line.empty()) Fail("a failed format left text behind", line);
    return;
  }
  const std::string_view text = OneLine(line, kind == 5);
  if (kind <= 2 || kind == 11) {
    long long read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size() || read != value.Integer()) {
      Fail("an integer does not read back", line);
    }
  } else if (kind == 12) {
    unsigned long long read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size() || read != value.Unsigned()) {
      Fail("an unsigned integer does not read back", line);
    }
  } else if (kind == 9 || kind == 10) {
    if (expectedNumber.empty()) Fail("a decimal that is no number was shown", line);
    if (CanonicalNumber(text) != expectedNumber) Fail("an exact number shows another number", line);
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos || text.size() - point - 1 < 6) Fail("fewer than six decimals", line);
  } else if (kind == 3 && std::isfinite(value.Real())) {
    double read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size()) Fail("a double does not read back", line);
    // The text shows six decimals; beyond 2^53 the double itself is coarser than that.
    const double unit = std::fmax(0.5e-6, std::fabs(value.Real()) * 1e-15);
    if (std::fabs(read - value.Real()) > unit) Fail("a double reads back as another number", line);
  } else if (kind == 4 && ql::access::SplitOleDate(value.Real())) {
    CalendarTime shown;
    if (std::sscanf(std::string(text).c_str(), "%d/%d/%d %d:%d:%d", &shown.year, &shown.month, &shown.day, &shown.hour,
                    &shown.minute, &shown.second) != 6) {
      Fail("a date is not shown as its fields", line);
    }
    if (!(ql::access::SplitOleDate(value.Real()) == shown)) Fail("a date shows other fields", line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  if (data.ConsumeBool()) {
    CheckDates(data);
  } else {
    CheckFormat(data);
  }
  return 0;
}

}  // namespace ql
