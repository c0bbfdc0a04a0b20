#include "access/variant.h"

#include <gtest/gtest.h>

#include <limits>

#include "probes/access_probe.h"

namespace ql {

namespace {

using access::Variant;
using access_probe::Hex;
using access_probe::Raised;

TEST(Variant, EveryDisplayTypeCanBeMade) {
  struct Case {
    Variant value;
    access::VarType type;
  };
  const Case cases[] = {
      {Variant(), access::VT_EMPTY},
      {Variant::Null(), access::VT_NULL},
      {Variant::I1(-1), access::VT_I1},
      {Variant::I2(-5), access::VT_I2},
      {Variant::I4(100000), access::VT_I4},
      {Variant::I8(1), access::VT_I8},
      {Variant::OfInteger(access::VT_UI1, 200), access::VT_UI1},
      {Variant::OfInteger(access::VT_UI2, 65535), access::VT_UI2},
      {Variant::OfInteger(access::VT_UI4, 4294967295U), access::VT_UI4},
      {Variant::UI8(1), access::VT_UI8},
      {Variant::R4(0.25f), access::VT_R4},
      {Variant::R8(2.5), access::VT_R8},
      {Variant::Currency(1), access::VT_CY},
      {Variant::Date(0), access::VT_DATE},
      {Variant::Text("x"), access::VT_BSTR},
      {Variant::Bool(access::VARIANT_TRUE), access::VT_BOOL},
      {Variant::Decimal("1"), access::VT_DECIMAL},
      {Variant::Bytes("ab"), access::VT_ARRAY | access::VT_UI1},
      {Variant::OfInteger(access::VT_ERROR, access::kTypeMismatch), access::VT_ERROR},
      {Variant::OfType(32769), 32769},
      {Variant::OfType(access::VT_ILLEGAL), access::VT_ILLEGAL},
      {Variant::OfType(access::VT_BYREF | access::VT_I4), access::VT_BYREF | access::VT_I4},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.Type(), c.type);
  EXPECT_TRUE(Variant::Missing().IsMissing());
  EXPECT_FALSE(Variant::OfInteger(access::VT_ERROR, access::kTypeMismatch).IsMissing());
  EXPECT_EQ(Variant::Missing().Integer(), access::kParamNotFound);
}

TEST(Variant, ConvertsToTextAsTheSchemaListingsNeed) {
  struct Case {
    Variant value;
    std::string text;
  };
  const Case cases[] = {
      {Variant(), ""},
      {Variant::I1(-128), "-128"},
      {Variant::I2(-5), "-5"},
      {Variant::I4(100000), "100000"},
      {Variant::I8(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {Variant::OfInteger(access::VT_UI1, 255), "255"},
      {Variant::OfInteger(access::VT_UI2, 65535), "65535"},
      {Variant::OfInteger(access::VT_UI4, 4294967295U), "4294967295"},
      {Variant::UI8(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
      {Variant::R4(0.1f), "0.1"},
      {Variant::R8(2.5), "2.5"},
      {Variant::R8(1e20), "1e+20"},
      {Variant::Currency(125000), "12.5"},
      {Variant::Currency(-1), "-0.0001"},
      {Variant::Currency(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808"},
      {Variant::Date(37895.0), "2003-10-01"},
      {Variant::Date(38048.0 + 50709.0 / 86400), "2004-03-02 14:05:09"},
      {Variant::Bool(access::VARIANT_TRUE), "True"},
      {Variant::Bool(1), "True"},
      {Variant::Bool(access::VARIANT_FALSE), "False"},
      {Variant::Text("SYSTEM TABLE"), "SYSTEM TABLE"},
      {Variant::Decimal("-12.50"), "-12.50"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.ToText(), c.text) << c.text;
}

TEST(Variant, ValuesWithoutATextFormRaiseTypeMismatch) {
  for (const Variant& value : {Variant::Null(), Variant::Bytes("ab"), Variant::Missing(), Variant::OfType(32769),
                               Variant::OfType(access::VT_ILLEGAL)}) {
    EXPECT_EQ(Raised([&] { value.ToText(); }), Hex(access::kTypeMismatch)) << value.Type();
  }
  EXPECT_EQ(Raised([&] { Variant::Date(1e10).ToText(); }), Hex(access::kOutOfRange)) << "a date beyond the calendar";
}

TEST(Variant, DecimalsKeepCanonicalDigitsAndConvertExactly) {
  struct Case {
    std::string_view given;
    std::string digits;
    double value;
  };
  const Case cases[] = {
      {"12.5", "12.5", 12.5},
      {"+007.50", "7.50", 7.5},
      {".5", "0.5", 0.5},
      {"-0.00", "0.00", 0.0},
      {" -3 ", "-3", -3.0},
      {"0.1", "0.1", 0.1},
      {"123456789012345678901234567890", "123456789012345678901234567890", 1.2345678901234568e29},
  };
  for (const Case& c : cases) {
    const Variant decimal = Variant::Decimal(c.given);
    EXPECT_EQ(decimal.Bytes(), c.digits) << c.given;
    EXPECT_EQ(decimal.ToDouble(), c.value) << c.given;
  }
  for (std::string_view bad : {"", "abc", "1e5", "1.2.3", "-", "."}) {
    EXPECT_EQ(Raised([&] { Variant::Decimal(bad).ToDouble(); }), Hex(access::kTypeMismatch)) << bad;
  }
}

TEST(Variant, CurrencyIsReadFromExactDigitsOrNotAtAll) {
  struct Case {
    std::string_view digits;
    std::string expected;  // the currency's text, or "none"
  };
  const Case cases[] = {
      {"12.5", "12.5"},
      {"-0.0001", "-0.0001"},
      {"7.50000000", "7.5"},
      {"922337203685477.5807", "922337203685477.5807"},
      {"-922337203685477.5808", "-922337203685477.5808"},
      {"922337203685477.5808", "none"},
      {"-922337203685477.5809", "none"},
      {"99999999999999999999", "none"},
      {"0.00001", "none"},
      {"$12.50", "none"},
      {"", "none"},
  };
  for (const Case& c : cases) {
    const std::optional<Variant> currency = Variant::CurrencyFromDigits(c.digits);
    if (currency) {
      EXPECT_EQ(currency->Type(), access::VT_CY);
    }
    EXPECT_EQ(currency ? currency->ToText() : "none", c.expected) << c.digits;
  }
}

TEST(Variant, NumbersConvertToDouble) {
  EXPECT_EQ(Variant::I4(-7).ToDouble(), -7.0);
  EXPECT_EQ(Variant::R4(0.25f).ToDouble(), 0.25);
  EXPECT_EQ(Variant::Currency(25000).ToDouble(), 2.5);
  EXPECT_EQ(Variant::UI8(std::numeric_limits<std::uint64_t>::max()).ToDouble(), 18446744073709551616.0);
  EXPECT_EQ(Variant::Bool(access::VARIANT_TRUE).ToDouble(), -1.0);
  EXPECT_EQ(Variant::Text(" 2.5 ").ToDouble(), 2.5);
  EXPECT_EQ(Raised([] { Variant::Null().ToDouble(); }), Hex(access::kTypeMismatch));
  EXPECT_EQ(Raised([] { Variant::Text("2,5").ToDouble(); }), Hex(access::kTypeMismatch)) << "the C locale only";
}

}  // namespace

}  // namespace ql
