// How each value is shown, chosen by its type alone: numbers exact and never rounded into another
// number, texts whole (NULs, '#' and control bytes as they are), dates without leading zeros.

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "access/data_access_error.h"
#include "access/ole_date.h"
#include "db/value_format.h"

namespace ql {

namespace {

using access::Variant;

double OleDate(int year, int month, int day, int hour, int minute, int second) {
  return access::MakeOleDate({year, month, day, hour, minute, second}).value();
}

TEST(FormatValue, ShowsEachValueByItsType) {
  const std::string tiny = "0." + std::string(299, '0') + "1";
  const struct {
    Variant value;
    std::string line;
  } cases[] = {
      {Variant(), "<NULL>"}, {Variant::Null(), "<NULL>"},
      {Variant::I2(-5), "-5"}, {Variant::I2(32767), "32767"},
      {Variant::I4(100000), "100000"}, {Variant::I4(std::numeric_limits<std::int32_t>::min()), "-2147483648"},
      {Variant::I1(-1), "-1"}, {Variant::I1(-128), "-128"},
      {Variant::R8(2.5), "2.500000"}, {Variant::R4(0.25f), "0.250000"},
      {Variant::R8(-4e-7), "-0.0000004"}, {Variant::R8(1e20), "100000000000000000000.000000"},
      {Variant::R8(std::numeric_limits<double>::infinity()), "inf"}, {Variant::Decimal("12.5"), "12.500000"},
      {Variant::Decimal("-12.50"), "-12.500000"}, {Variant::Decimal("0.0000015"), "0.0000015"},
      {Variant::Decimal("12345678901234567890.125"), "12345678901234567890.125000"},
      {Variant::Decimal("18446744073709551615"), "18446744073709551615.000000"},
      {Variant::Decimal("1.500000000000000000000000000000"), "1.500000"},
      {Variant::Decimal("-0.000000000000000000000000000001"), "-0.000000000000000000000000000001"},
      {Variant::Decimal("123456789012345678901234567890123456789012345678901234567890.5"),
       "123456789012345678901234567890123456789012345678901234567890.500000"},
      {Variant::Currency(125000), "12.500000"}, {Variant::Currency(-1), "-0.000100"},
      {Variant::Currency(std::numeric_limits<std::int64_t>::min()), "-922337203685477.580800"},
      {Variant::Currency(std::numeric_limits<std::int64_t>::max()), "922337203685477.580700"},
      {Variant::I8(std::int64_t{1} << 40), "1099511627776"}, {Variant::I8(1700000000123), "1700000000123"},
      {Variant::I8(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {Variant::OfInteger(access::VT_UI1, 255), "255"}, {Variant::OfInteger(access::VT_UI2, 65535), "65535"},
      {Variant::OfInteger(access::VT_UI4, 4294967295U), "4294967295"},
      {Variant::UI8(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
      {Variant::Date(OleDate(2004, 3, 2, 14, 5, 9)), "2004/3/2 14:5:9"},
      {Variant::Date(OleDate(2003, 10, 1, 0, 0, 0)), "2003/10/1 0:0:0"},
      {Variant::Date(OleDate(100, 1, 1, 0, 0, 0)), "100/1/1 0:0:0"},
      {Variant::Date(OleDate(9999, 12, 31, 23, 59, 59)), "9999/12/31 23:59:59"},
      {Variant::Date(OleDate(2024, 5, 6, 23, 59, 59) + 0.999 / 86400), "2024/5/6 23:59:59"},
      {Variant::Date(1e9), "<Date out of range>"}, {Variant::Date(-1e9), "<Date out of range>"},
      {Variant::Date(std::nan("")), "<Date out of range>"}, {Variant::Text("north"), "\"north\""},
      {Variant::Text(""), "\"\""}, {Variant::Text("say \"hi\""), "\"say \"hi\"\""},
      // Texts are printed as stored: a NUL hides nothing, a '#' is no colour change.
      {Variant::Text(std::string("ab\0cd", 5)), std::string("\"ab\0cd\"", 7)},
      {Variant::Text("price #1 item #0c"), "\"price #1 item #0c\""},
      {Variant::Text("\x1b]0;title\x07\x1b[2J"), "\"\x1b]0;title\x07\x1b[2J\""},
      {Variant::Text("100%s %d"), "\"100%s %d\""}, {Variant::Bool(access::VARIANT_TRUE), "True"},
      {Variant::Bool(1), "True"}, {Variant::Bool(access::VARIANT_FALSE), "False"},
      {Variant::Bytes(std::string("\x00\x01\xff", 3)), "<Binary>"}, {Variant::Bytes(""), "<Binary>"},
      {Variant::OfType(access::VT_ILLEGAL), "Illegal type"}, {Variant::OfType(0x8000), "<Reserved type>"},
      {Variant::OfType(32769), "<Reserved type>"}, {Variant::OfType(0xFFFE), "<Reserved type>"},
      {Variant::OfType(9), "<Unsupport type:9>"},
      {Variant::OfInteger(access::VT_ERROR, access::kParamNotFound), "<Unsupport type:10>"},
      {Variant::OfType(12), "<Unsupport type:12>"}, {Variant::OfType(13), "<Unsupport type:13>"},
      {Variant::OfType(15), "<Unsupport type:15>"},
      {Variant::OfType(access::VT_ARRAY | access::VT_I4), "<Unsupport type:8195>"},
      {Variant::OfType(access::VT_BYREF | access::VT_I4), "<Unsupport type:16387>"},
      {Variant::OfType(access::VT_BYREF | access::VT_ARRAY | access::VT_UI1), "<Unsupport type:24593>"},
      {Variant::OfType(0x7FFF), "<Unsupport type:32767>"},
      // Real numbers in printf's "%f" form whatever the locale, with the decimals a value needs to
      // be read back as itself after the sixth.
      {Variant::R8(0.0), "0.000000"}, {Variant::R8(-0.0), "-0.000000"},
      {Variant::R8(1.0 / 3), "0.3333333333333333"}, {Variant::R8(2.0 / 3), "0.6666666666666666"},
      {Variant::R8(0.0000005), "0.0000005"}, {Variant::R8(-2.5e-7), "-0.00000025"},
      {Variant::R8(1e-7), "0.0000001"}, {Variant::R8(0.1 + 0.2), "0.30000000000000004"},
      {Variant::R8(123456789.987654321), "123456789.98765433"},
      {Variant::R8(4503599627370497.5), "4503599627370498.000000"}, {Variant::R8(-1e-300), "-" + tiny},
      // Whole numbers past 2^53 show every digit of the double, as "%f" does.
      {Variant::R8(1e300), std::to_string(1e300)},
      {Variant::R8(std::numeric_limits<double>::max()), std::to_string(std::numeric_limits<double>::max())},
      {Variant::R8(-std::numeric_limits<double>::infinity()), "-inf"},
      {Variant::R8(std::numeric_limits<double>::quiet_NaN()), "nan"}, {Variant::R4(0.1f), "0.100000"},
      {Variant::R4(16777216.0f), "16777216.000000"}, {Variant::R4(1.5e-7f), "0.00000015"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("VARTYPE " + std::to_string(c.value.Type()) + ", expecting " + c.line);
    std::string line = "V ";
    db::FormatValue(c.value, line);
    EXPECT_EQ(line, "V " + c.line + "\n");
  }
}

// A decimal whose digits form no number has no display form: refused, nothing appended.
TEST(FormatValue, RefusesADecimalThatIsNoNumber) {
  std::string line = "V ";
  EXPECT_THROW(db::FormatValue(Variant::Decimal("abc"), line), access::DataAccessError);
  EXPECT_EQ(line, "V ");
}

}  // namespace

}  // namespace ql
