#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "access/ole_date.h"
#include "tests/db/fake_objects.h"
#include "tests/db/session.h"

namespace ql {

namespace {

using access::Variant;
using dbtest::kSeparator;
using dbtest::Report;

access::Ref<access::Recordset> Held(std::shared_ptr<fake::Recordset> rows) {
  return access::Ref<fake::Recordset>(std::move(rows));
}

class RecordDisplay : public ::testing::Test {
 protected:
  // Shows the first row of the table; `shown` receives ShowRecord's result.
  std::string Show(fake::Table table, bool* shown = nullptr) {
    const bool result = session.database.ShowRecord(Held(objects.OpenRecordset(std::move(table))));
    if (shown != nullptr) *shown = result;
    return session.Output();
  }

  std::string ShowValue(const Variant& value) { return Show({{"V"}, {{value}}}); }

  fake::Objects objects;
  dbtest::Session session{objects};
};

double OleDate(int year, int month, int day, int hour, int minute, int second) {
  return access::MakeOleDate({year, month, day, hour, minute, second}).value();
}

TEST_F(RecordDisplay, FormatsEachValueByItsType) {
  struct Case {
    Variant value;
    std::string line;
  };
  const std::vector<Case> cases = {
      {Variant(), "<NULL>"},
      {Variant::Null(), "<NULL>"},
      {Variant::I2(-5), "-5"},
      {Variant::I2(32767), "32767"},
      {Variant::I4(100000), "100000"},
      {Variant::I4(std::numeric_limits<std::int32_t>::min()), "-2147483648"},
      {Variant::I1(-1), "-1"},
      {Variant::I1(-128), "-128"},
      {Variant::R8(2.5), "2.500000"},
      {Variant::R4(0.25f), "0.250000"},
      {Variant::R8(-4e-7), "-0.0000004"},
      {Variant::R8(1e20), "100000000000000000000.000000"},
      {Variant::R8(std::numeric_limits<double>::infinity()), "inf"},
      {Variant::Decimal("12.5"), "12.500000"},
      {Variant::Decimal("-12.50"), "-12.500000"},
      {Variant::Decimal("0.0000015"), "0.0000015"},
      {Variant::Decimal("12345678901234567890.125"), "12345678901234567890.125000"},
      {Variant::Decimal("18446744073709551615"), "18446744073709551615.000000"},
      {Variant::Decimal("1.500000000000000000000000000000"), "1.500000"},
      {Variant::Decimal("-0.000000000000000000000000000001"), "-0.000000000000000000000000000001"},
      {Variant::Decimal("123456789012345678901234567890123456789012345678901234567890.5"),
       "123456789012345678901234567890123456789012345678901234567890.500000"},
      {Variant::Currency(125000), "12.500000"},
      {Variant::Currency(-1), "-0.000100"},
      {Variant::Currency(std::numeric_limits<std::int64_t>::min()), "-922337203685477.580800"},
      {Variant::Currency(std::numeric_limits<std::int64_t>::max()), "922337203685477.580700"},
      {Variant::I8(std::int64_t{1} << 40), "1099511627776"},
      {Variant::I8(1700000000123), "1700000000123"},
      {Variant::I8(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {Variant::OfInteger(access::VT_UI1, 255), "255"},
      {Variant::OfInteger(access::VT_UI2, 65535), "65535"},
      {Variant::OfInteger(access::VT_UI4, 4294967295U), "4294967295"},
      {Variant::UI8(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
      {Variant::Date(OleDate(2004, 3, 2, 14, 5, 9)), "2004/3/2 14:5:9"},
      {Variant::Date(OleDate(2003, 10, 1, 0, 0, 0)), "2003/10/1 0:0:0"},
      {Variant::Date(OleDate(100, 1, 1, 0, 0, 0)), "100/1/1 0:0:0"},
      {Variant::Date(OleDate(9999, 12, 31, 23, 59, 59)), "9999/12/31 23:59:59"},
      {Variant::Date(OleDate(2024, 5, 6, 23, 59, 59) + 0.999 / 86400), "2024/5/6 23:59:59"},
      {Variant::Date(1e9), "<Date out of range>"},
      {Variant::Date(-1e9), "<Date out of range>"},
      {Variant::Date(std::nan("")), "<Date out of range>"},
      {Variant::Text("north"), "\"north\""},
      {Variant::Text(""), "\"\""},
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
      {Variant::Bytes(""), "<Binary>"},
      {Variant::OfType(access::VT_ILLEGAL), "Illegal type"},
      {Variant::OfType(0x8000), "<Reserved type>"},
      {Variant::OfType(32769), "<Reserved type>"},
      {Variant::OfType(0xFFFE), "<Reserved type>"},
      {Variant::OfType(9), "<Unsupport type:9>"},
      {Variant::OfInteger(access::VT_ERROR, access::kParamNotFound), "<Unsupport type:10>"},
      {Variant::OfType(12), "<Unsupport type:12>"},
      {Variant::OfType(13), "<Unsupport type:13>"},
      {Variant::OfType(15), "<Unsupport type:15>"},
      {Variant::OfType(access::VT_ARRAY | access::VT_I4), "<Unsupport type:8195>"},
      {Variant::OfType(access::VT_BYREF | access::VT_I4), "<Unsupport type:16387>"},
      {Variant::OfType(access::VT_BYREF | access::VT_ARRAY | access::VT_UI1), "<Unsupport type:24593>"},
      {Variant::OfType(0x7FFF), "<Unsupport type:32767>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("VARTYPE " + std::to_string(c.value.Type()) + ", expecting " + c.line);
    EXPECT_EQ(ShowValue(c.value), "V               " + c.line + "\n" + kSeparator + "\n");
  }
}

// Real numbers in printf's "%f" form whatever the process's locale, but never rounded into another
// number: the decimals a value needs to be read back as itself follow the sixth.
TEST_F(RecordDisplay, RealNumbersKeepEveryDigitTheyNeed) {
  const std::string tiny = "0." + std::string(299, '0') + "1";
  const struct {
    access::Variant value;
    std::string line;
  } cases[] = {
      {Variant::R8(0.0), "0.000000"},
      {Variant::R8(-0.0), "-0.000000"},
      {Variant::R8(1.0 / 3), "0.3333333333333333"},
      {Variant::R8(2.0 / 3), "0.6666666666666666"},
      {Variant::R8(0.0000005), "0.0000005"},
      {Variant::R8(-2.5e-7), "-0.00000025"},
      {Variant::R8(1e-7), "0.0000001"},
      {Variant::R8(0.1 + 0.2), "0.30000000000000004"},
      {Variant::R8(123456789.987654321), "123456789.98765433"},
      {Variant::R8(4503599627370497.5), "4503599627370498.000000"},
      {Variant::R8(-1e-300), "-" + tiny},
      // Whole numbers past 2^53 show every digit of the double, as "%f" does.
      {Variant::R8(1e300), std::to_string(1e300)},
      {Variant::R8(std::numeric_limits<double>::max()), std::to_string(std::numeric_limits<double>::max())},
      {Variant::R8(-std::numeric_limits<double>::infinity()), "-inf"},
      {Variant::R8(std::numeric_limits<double>::quiet_NaN()), "nan"},
      {Variant::R4(0.1f), "0.100000"},
      {Variant::R4(16777216.0f), "16777216.000000"},
      {Variant::R4(1.5e-7f), "0.00000015"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ShowValue(c.value), "V               " + c.line + "\n" + kSeparator + "\n");
  }
}

TEST_F(RecordDisplay, PadsTheNameColumnToSixteenCharacters) {
  struct Case {
    std::string name;
    std::string column;
  };
  const std::string long200(200, 'n');
  const std::vector<Case> cases = {
      {"", std::string(16, ' ')},
      {"a", "a" + std::string(15, ' ')},
      {"fifteen_chars_x", "fifteen_chars_x "},
      {"sixteen_chars_xy", "sixteen_chars_xy"},
      {"seventeen_chars_x", "seventeen_chars_x"},
      {std::string(127, 'm'), std::string(127, 'm')},
      {std::string(128, 'm'), std::string(128, 'm')},
      {long200, long200},
      // Names are printed whole, never as markup, and padded by the columns they take on screen
      // (a control byte written as it is takes none).
      {std::string("ab\0cd", 5), std::string("ab\0cd", 5) + std::string(12, ' ')},
      {"a#31b", "a#31b" + std::string(11, ' ')},
      {"x##y", "x##y" + std::string(12, ' ')},
      {"fourteen_chars#", "fourteen_chars# "},
      {"sixteen_chars_#3", "sixteen_chars_#3"},
      {"Größe", "Größe" + std::string(11, ' ')},
      {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac" + std::string(12, ' ')},
      {"Cafe\xcc\x81", "Cafe\xcc\x81" + std::string(12, ' ')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("name of " + std::to_string(c.name.size()) + " bytes");
    EXPECT_EQ(Show({{c.name}, {{Variant::I4(1)}}}), c.column + "1\n" + kSeparator + "\n");
  }
}

// At a terminal, control bytes of names and values are shown, not obeyed, and the name column
// counts the escapes as shown.
TEST_F(RecordDisplay, AtATerminalControlBytesAreShownEscaped) {
  dbtest::Session terminal{objects, true};
  const auto rows = objects.OpenRecordset(
      {{"a\x1b", "Größe"}, {{Variant::Text(std::string("\x1b]0;t\x07 \x9b\0end", 12)), Variant::Text("#0c")}}});
  EXPECT_TRUE(terminal.database.ShowRecord(Held(rows)));
  EXPECT_EQ(terminal.Output(), "a\\x1b" + std::string(11, ' ') + "\"\\x1b]0;t\\x07 \\x9b\\0end\"\n" +
                                   "Größe" + std::string(11, ' ') + "\"#0c\"\n" + kSeparator + "\n");
}

TEST_F(RecordDisplay, ShowsEveryFieldOfTheRowThenTheSeparator) {
  bool shown = false;
  const std::string output = Show({{"ID", "User", "Account", "SetupDate"},
                                   {{Variant::I4(1), Variant::Null(), Variant::Text("north"),
                                     Variant::Date(OleDate(2003, 10, 1, 0, 0, 0))}}},
                                  &shown);
  EXPECT_TRUE(shown);
  EXPECT_EQ(output,
            "ID              1\n"
            "User            <NULL>\n"
            "Account         \"north\"\n"
            "SetupDate       2003/10/1 0:0:0\n" +
                kSeparator + "\n");
}

TEST_F(RecordDisplay, ShowsNothingOutsideTheRows) {
  const fake::Table oneRow{{"ID"}, {{Variant::I4(1)}}};
  bool shown = true;

  auto beforeFirst = objects.OpenRecordset(oneRow);
  beforeFirst->PlaceBeforeFirst();
  EXPECT_FALSE(session.database.ShowRecord(Held(beforeFirst)));
  EXPECT_EQ(session.Output(), "");

  auto pastLast = objects.OpenRecordset(oneRow);
  pastLast->MoveNext();
  EXPECT_FALSE(session.database.ShowRecord(Held(pastLast)));
  EXPECT_EQ(session.Output(), "");

  EXPECT_EQ(Show({{"ID"}, {}}, &shown), "");
  EXPECT_FALSE(shown);
}

TEST_F(RecordDisplay, ARowWithoutFieldsIsJustTheSeparator) {
  bool shown = false;
  EXPECT_EQ(Show({{}, {{}}}, &shown), kSeparator + "\n");
  EXPECT_TRUE(shown);
}

TEST_F(RecordDisplay, LeavesTheRecordsetWhereItStands) {
  auto rows = objects.OpenRecordset({{"ID"}, {{Variant::I4(1)}, {Variant::I4(2)}}});
  EXPECT_TRUE(session.database.ShowRecord(Held(rows)));
  EXPECT_TRUE(session.database.ShowRecord(Held(rows)));
  EXPECT_EQ(session.Output(), "ID              1\n" + kSeparator + "\nID              1\n" + kSeparator + "\n");
  EXPECT_EQ(objects.calls.Count("Recordset.MoveNext") + objects.calls.Count("Recordset.MoveFirst") +
                objects.calls.Count("Recordset.Close"),
            0);
}

TEST_F(RecordDisplay, WithoutARecordsetReportsTheAbsentObject) {
  EXPECT_FALSE(session.database.ShowRecord());
  EXPECT_EQ(session.Output(), Report(420, "80004003", "There is no object to act on."));
}

// A failure ends the display where it happens: what was printed stays, the report follows (on the
// name's line when the value could not be read), and no separator is printed.
TEST_F(RecordDisplay, AFailureAtAnyCallIsReportedUnderTag420) {
  struct Case {
    std::string call;
    int occurrence;
    std::string before;
  };
  const std::string firstField = "ID              1\n";
  const std::vector<Case> cases = {
      {"Recordset.Bof", 1, ""},
      {"Recordset.Eof", 1, ""},
      {"Recordset.Fields", 1, ""},
      {"Fields.Count", 1, ""},
      {"Fields.Item", 1, ""},
      {"Field.Name", 1, ""},
      {"Field.Value", 1, "ID              "},
      // The collection is taken once per record; each field is read from it in turn.
      {"Fields.Item", 2, firstField},
      {"Field.Name", 2, firstField},
      {"Field.Value", 2, firstField + "Name            "},
  };
  const std::string report = Report(420, "800a0bcd", "Unknown error 0x800A0BCD", "Fake", "planned");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call + " #" + std::to_string(c.occurrence));
    objects.calls.FailAt(c.call, c.occurrence, access::DataAccessError(access::kNoCurrentRecord, "Fake", "planned"));
    bool shown = true;
    EXPECT_EQ(Show({{"ID", "Name"}, {{Variant::I4(1), Variant::Text("x")}}}, &shown), c.before + report);
    EXPECT_FALSE(shown);
    objects.calls = fake::Calls();
  }
}

TEST_F(RecordDisplay, AValueThatCannotBeConvertedIsReportedOnItsNameLine) {
  bool shown = true;
  EXPECT_EQ(Show({{"Price", "Next"}, {{Variant::Decimal("abc"), Variant::I4(2)}}}, &shown),
            "Price           " + Report(420, "80020005", "The value has a type that cannot be converted."));
  EXPECT_FALSE(shown);
}

}  // namespace

}  // namespace ql
