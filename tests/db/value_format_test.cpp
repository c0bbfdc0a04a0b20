// How each value is shown, chosen by its type alone: numbers exact and never rounded into another
// number, texts whole (NULs, '#' and control bytes as they are), dates without leading zeros
// (their calendar is the layer's, tested with it).

#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "access/data_access_error.h"
#include "access/ole_date.h"
#include "db/value_format.h"

namespace ql {

namespace {

using access::Variant;

TEST(FormatValue, ShowsEachValueByItsType) {
  const std::string tiny = "0." + std::string(299, '0') + "1";
  const struct {
    Variant value;
    std::string line;
  } cases[] = {
      {Variant(), "<NULL>"},
      {Variant::Null(), "<NULL>"},
      {Variant::I4(std::numeric_limits<std::int32_t>::min()), "-2147483648"},
      {Variant::I1(-128), "-128"},
      {Variant::I2(-32768), "-32768"},
      {Variant::R8(2.5), "2.500000"},
      {Variant::Decimal("-12.50"), "-12.500000"},
      {Variant::Decimal("0.0000015"), "0.0000015"},
      {Variant::Decimal("18446744073709551615"), "18446744073709551615.000000"},
      {Variant::Decimal("1.500000000000000000000000000000"), "1.500000"},
      {Variant::Decimal("123456789012345678901234567890123456789012345678901234567890.5"),
       "123456789012345678901234567890123456789012345678901234567890.500000"},
      {Variant::Currency(-1), "-0.000100"},
      {Variant::Currency(std::numeric_limits<std::int64_t>::min()), "-922337203685477.580800"},
      {Variant::I8(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {Variant::OfInteger(access::VT_UI1, 255), "255"},
      {Variant::OfInteger(access::VT_UI2, 65535), "65535"},
      {Variant::OfInteger(access::VT_UI4, 4294967295U), "4294967295"},
      {Variant::UI8(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
      {Variant::Date(access::MakeOleDate({2004, 3, 2, 14, 5, 9}).value()), "2004/3/2 14:5:9"},
      {Variant::Date(1e9), "<Date out of range>"},
      {Variant::Text("say \"hi\""), "\"say \"hi\"\""},
      // Texts are printed as stored: a NUL hides nothing, a '#' is no colour change.
      {Variant::Text(std::string("ab\0cd", 5)), std::string("\"ab\0cd\"", 7)},
      {Variant::Text("price #1 item #0c"), "\"price #1 item #0c\""},
      {Variant::Text("\x1b]0;title\x07\x1b[2J"), "\"\x1b]0;title\x07\x1b[2J\""},
      {Variant::Text("100%s %d"), "\"100%s %d\""},
      {Variant::Bool(access::VARIANT_TRUE), "True"},
      {Variant::Bool(1), "True"},
      {Variant::Bool(access::VARIANT_FALSE), "False"},
      {Variant::Bytes(std::string("\x00\x01\xff", 3)), "<Binary>"},
      {Variant::OfType(access::VT_ILLEGAL), "Illegal type"},
      {Variant::OfType(0x8000), "<Reserved type>"},
      {Variant::OfType(0xFFFE), "<Reserved type>"},
      {Variant::OfInteger(access::VT_ERROR, access::kParamNotFound), "<Unsupport type:10>"},
      {Variant::OfType(access::VT_ARRAY | access::VT_I4), "<Unsupport type:8195>"},
      {Variant::OfType(access::VT_BYREF | access::VT_ARRAY | access::VT_UI1), "<Unsupport type:24593>"},
      {Variant::OfType(0x7FFF), "<Unsupport type:32767>"},
      // Real numbers in printf's "%f" form whatever the locale, with the decimals a value needs to
      // be read back as itself after the sixth.
      {Variant::R8(0.0), "0.000000"},
      {Variant::R8(-0.0), "-0.000000"},
      {Variant::R8(1.0 / 3), "0.3333333333333333"},
      {Variant::R8(-2.5e-7), "-0.00000025"},
      {Variant::R8(0.1 + 0.2), "0.30000000000000004"},
      {Variant::R8(4503599627370497.5), "4503599627370498.000000"},
      {Variant::R8(-1e-300), "-" + tiny},
      // Whole numbers past 2^53 show every digit of the double, as "%f" does (309 of them here).
      {Variant::R8(std::numeric_limits<double>::max()), std::to_string(std::numeric_limits<double>::max())},
      {Variant::R8(-std::numeric_limits<double>::infinity()), "-inf"},
      {Variant::R8(std::numeric_limits<double>::quiet_NaN()), "nan"},
      {Variant::R4(0.1f), "0.100000"},
      {Variant::R4(16777216.0f), "16777216.000000"},
      {Variant::R4(1.5e-7f), "0.00000015"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("VARTYPE " + std::to_string(c.value.Type()) + ", expecting " + c.line);
    std::string line = "V ";
    db::FormatValue(c.value, line);
    EXPECT_EQ(line, "V " + c.line + "\n");
  }
}

}  // namespace

}  // namespace ql
