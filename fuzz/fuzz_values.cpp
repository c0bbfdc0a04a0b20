// Value formatting for the record display, and OLE Automation dates.
//
// Properties: calendar fields in range make a date that splits back into the same fields; any
// double splits into fields in range or into nothing; a formatted value is one line, or nothing
// with an error; integers read back as the same integer, doubles as a number within half a unit of
// the last decimal shown, dates as fields that make the same calendar time again.

#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "access/data_access_error.h"
#include "access/ole_date.h"
#include "access/variant.h"
#include "db/value_format.h"

namespace {

using ql::access::CalendarTime;
using ql::access::Variant;

[[noreturn]] void Fail(const char* what, std::string_view detail) {
  std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(detail.size()), detail.data());
  std::abort();
}

bool InRange(const CalendarTime& t) {
  return t.year >= 100 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 &&
         t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::string Describe(const CalendarTime& t) {
  char text[80];
  std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

void CheckDates(FuzzedDataProvider& data) {
  const CalendarTime fields{data.ConsumeIntegralInRange(90, 10010), data.ConsumeIntegralInRange(0, 13),
                            data.ConsumeIntegralInRange(0, 32),    data.ConsumeIntegralInRange(-1, 24),
                            data.ConsumeIntegralInRange(-1, 60),   data.ConsumeIntegralInRange(-1, 60)};
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
  const int kind = data.ConsumeIntegralInRange(0, 8);
  switch (kind) {
    case 0: value = Variant::I1(data.ConsumeIntegral<std::int8_t>()); break;
    case 1: value = Variant::I2(data.ConsumeIntegral<std::int16_t>()); break;
    case 2: value = Variant::I4(data.ConsumeIntegral<std::int32_t>()); break;
    case 3: value = Variant::R8(data.ConsumeFloatingPoint<double>()); break;
    case 4: value = Variant::Date(data.ConsumeFloatingPoint<double>()); break;
    case 5: value = Variant::Text(data.ConsumeRandomLengthString(1000)); break;
    case 6: value = Variant::Decimal(data.ConsumeRandomLengthString(60)); break;
    case 7: value = Variant::Bytes(data.ConsumeRandomLengthString(100)); break;
    default: value = Variant::OfType(data.ConsumeIntegral<std::uint16_t>()); break;
  }
  std::string line;
  try {
    db::FormatValue(value, line);
  } catch (const ql::access::DataAccessError&) {
    if (!line.empty()) Fail("a failed format left text behind", line);
    return;
  }
  const std::string_view text = OneLine(line, kind == 5);
  if (kind <= 2) {
    long long read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size() || read != value.Integer()) {
      Fail("an integer does not read back", line);
    }
  } else if (kind == 3 && std::isfinite(value.Real())) {
    double read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size()) Fail("a double does not read back", line);
    // The text shows six decimals; beyond 2^53 the double itself is coarser than that.
    const double unit = std::fmax(0.5e-6, std::fabs(value.Real()) * 1e-15);
    if (std::fabs(read - value.Real()) > unit) Fail("a double reads back as another number", line);
  } else if (kind == 4 && ql::access::SplitOleDate(value.Real())) {
    CalendarTime shown;
    if (std::sscanf(std::string(text).c_str(), "%d/%d/%d %d:%d:%d", &shown.year, &shown.month, &shown.day,
                    &shown.hour, &shown.minute, &shown.second) != 6) {
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
