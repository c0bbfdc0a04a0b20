// The record display (record and t) on SQLite in memory: the name column, values as they are,
// control bytes shown at a terminal, and a failure anywhere in it.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/db/session.h"

namespace ql::dbtest {
namespace {

using access::Variant;

class RecordDisplay : public SessionTest {
 protected:
  void SetUp() override { session.Run("memory"); }
};

TEST_F(RecordDisplay, PadsTheNameColumnToSixteenCharacters) {
  const std::string long200(200, 'n');
  const struct {
    std::string name;
    std::string column;
  } cases[] = {
      {"a", "a" + std::string(15, ' ')},
      {"fifteen_chars_x", "fifteen_chars_x "},
      {"sixteen_chars_xy", "sixteen_chars_xy"},
      {std::string(127, 'm'), std::string(127, 'm')},
      {std::string(128, 'm'), std::string(128, 'm')},
      {long200, long200},
      {"fourteen_chars#", "fourteen_chars# "},
      // Names are printed whole, never as markup, and padded by the columns they take on screen.
      {"a#31b", "a#31b" + std::string(11, ' ')},
      {"100%s %d", "100%s %d" + std::string(8, ' ')},
      {"Größe", "Größe" + std::string(11, ' ')},
      {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac" + std::string(12, ' ')},
      {"Cafe\xcc\x81", "Cafe\xcc\x81" + std::string(12, ' ')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("name of " + std::to_string(c.name.size()) + " bytes");
    EXPECT_EQ(session.Run("sql select 1 as \"" + c.name + "\"\nrecord"), c.column + "1\n" + kSeparator + "\n");
  }
}

// At a terminal, control bytes of names and values are shown, not obeyed, and the name column
// counts the escapes as shown.
TEST_F(RecordDisplay, AtATerminalControlBytesAreShownEscaped) {
  Session terminal{objects, true};
  EXPECT_EQ(terminal.Run("memory\nsql select cast(x'1b5d303b7407209b00656e64' as text) as \"a\x1b\", '#0c' as Größe\n"
                         "record"),
            "a\\x1b" + std::string(11, ' ') + "\"\\x1b]0;t\\x07 \\x9b\\0end\"\n" + "Größe" + std::string(11, ' ') +
                "\"#0c\"\n" + kSeparator + "\n");
}

// Past the rows nothing is shown (on an empty result the moves are refused); showing a row does not
// move off it.
TEST_F(RecordDisplay, ShowsTheRowTheRecordsetStandsOnAndNothingElse) {
  EXPECT_EQ(session.Run("sql select 1 as ID where 0\nrecord\nt"),
            LayerReport(145, access::kNoCurrentRecord, "Recordset") +
                LayerReport(164, access::kNoCurrentRecord, "Recordset"));
  EXPECT_EQ(session.Run("sql select 1 as ID union all select 2\nrecord\nrecord\nt\nt"),
            Record("ID", "1") + Record("ID", "1") + Record("ID", "2"));
}

// A failure ends the display where it happens: what was printed stays, the report follows (on the
// name's line when the value cannot be shown), and no separator is printed.
TEST_F(RecordDisplay, AFailureAnywhereIsReportedUnderTag420) {
  const struct {
    std::string call;
    int occurrence;  // the end test of record reads Eof first
  } cases[] = {{"Recordset.Bof", 1}, {"Recordset.Eof", 2}, {"Recordset.ReadRow", 1}};
  session.Run("sql select 1 as ID, 'x' as Name");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    objects.FailAt(c.call, c.occurrence, planned);
    EXPECT_EQ(session.Run("record"), PlannedReport(420));
  }
  objects.plantedRow = std::vector<Variant>{Variant::I4(1), Variant::Decimal("abc")};
  EXPECT_EQ(session.Run("record"), "ID              1\nName            " +
                                       Report(420, "80020005", "The value has a type that cannot be converted."));
}

}  // namespace
}  // namespace ql::dbtest
