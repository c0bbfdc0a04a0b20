// Rows: the current recordset as a table, on a pipe and at a terminal, how it goes on from the row
// shown last, and the notes that follow a command.

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

double OleDate(int year, int month, int day, int hour, int minute, int second) {
  return access::MakeOleDate({year, month, day, hour, minute, second}).value();
}

// Values of every kind: numbers stand right (a NULL among them too), everything else left; a text
// without its quotes, its control bytes as they come (escaped at a terminal).
const fake::Table kValues{
    {"id", "a_name_of_twenty_ch", "price", "big", "at", "note"},
    {{Variant::I4(1), Variant::Text("north"), Variant::Decimal("12.5"),
      Variant::I8(std::numeric_limits<std::int64_t>::min()), Variant::Date(OleDate(2004, 3, 2, 14, 5, 9)),
      Variant::Null()},
     {Variant::I4(22), Variant::Text("wide text that goes on"), Variant::Null(),
      Variant::UI8(std::numeric_limits<std::uint64_t>::max()), Variant::Date(OleDate(2003, 10, 1, 0, 0, 0)),
      Variant::Text("a\x1b[2Jb")}}};

fake::Table Numbers(int count) {
  fake::Table table{{"n"}, {}};
  for (int n = 1; n <= count; ++n) table.rows.push_back({Variant::I4(n)});
  return table;
}

class RowListing : public ::testing::Test {
 protected:
  void SetUp() override {
    objects.results["values"] = kValues;
    objects.results["three"] = Numbers(3);
    objects.results["eight"] = Numbers(8);
    objects.results["none"] = {{"n"}, {}};
    objects.results["update"] = {};
  }

  fake::Objects objects;
  dbtest::Session session{objects};
};

TEST_F(RowListing, ShowsEveryValueAsTheRecordDisplayDoesAlignedInColumns) {
  EXPECT_EQ(session.Run("open a\nsql values\nrows all"),
            "id | a_name_of_twenty_ch    |     price |                  big | at              | note\n"
            "---+------------------------+-----------+----------------------+-----------------+-------\n"
            " 1 | north                  | 12.500000 | -9223372036854775808 | 2004/3/2 14:5:9 | <NULL>\n"
            "22 | wide text that goes on |    <NULL> | 18446744073709551615 | 2003/10/1 0:0:0 | a\x1b[2Jb\n"
            "(2 rows)\n");
}

// At a terminal 40 columns wide and 10 rows high: the widest columns are cut to fit, each cut value
// ends in "~", control bytes are shown escaped, and a screenful is what fits above the prompt.
TEST_F(RowListing, AtATerminalTheTableFitsItsWidthAndHeight) {
  dbtest::Session terminal{objects, true};
  terminal.Script().size = console::WindowSize{40, 10};
  EXPECT_EQ(terminal.Run("open a\nsql values\nrows"),
            "id | a_na~ | price |   big | at   | note\n"
            "---+-------+-------+-------+------+-----\n"
            " 1 | north | 12.5~ | -922~ | 200~ | <NU~\n"
            "22 | wide~ | <NUL~ | 1844~ | 200~ | a~\n"
            "(2 rows)\n");
  EXPECT_EQ(terminal.Run("sql eight\nrows"), "n\n-\n1\n2\n3\n4\n5\n6\n");
}

// Each case is a fresh session; `rows` goes on after the row `record`, `t` or `rows` showed last,
// and leaves the recordset on the last row it showed.
TEST_F(RowListing, GoesOnFromTheRowShownLast) {
  const std::string one = "n               1\n" + kSeparator + "\n";
  const std::string three = "n               3\n" + kSeparator + "\n";
  const std::string noCurrent =
      Report(164, "800a0bcd", "Unknown error 0x800A0BCD", "Fake", "at the end");
  const struct {
    std::string script;
    std::string output;
  } cases[] = {
      {"sql three\nrows 2\nt\nt", "n\n-\n1\n2\n" + three},
      {"sql three\nrecord\nrows\nrows", one + "n\n-\n2\n3\n(3 rows)\n(3 rows)\n"},
      {"sql three\nrows 1\nrecord\nrows 1", "n\n-\n1\n" + one + "n\n-\n2\n"},
      // Three rows asked of three: the end is found by the next move, which comes back.
      {"sql three\nrows 3\nrows\nt\nt", "n\n-\n1\n2\n3\n(3 rows)\n" + noCurrent},
      {"sql three\nrows all\nt\nt", "n\n-\n1\n2\n3\n(3 rows)\n" + noCurrent},
      {"sql three\nt\nt\nt\nrows", "n               2\n" + kSeparator + "\n" + three + "(3 rows)\n"},
      {"sql none\nrows", "n\n-\n(0 rows)\n"},
      {"sql update\nrows",
       Report(460, "800a0e78", "Unknown error 0x800A0E78", "Fake", "closed")},
      {"rows", "Open table first!\n"},
  };
  for (const auto& c : cases) {
    dbtest::Session fresh{objects};
    EXPECT_EQ(fresh.Run(c.script.starts_with("rows") ? c.script : "open a\n" + c.script), c.output) << c.script;
  }
}

// The widths come from the first rows; a later, wider value widens its column from its line on.
TEST_F(RowListing, ColumnsMeasuredOnTheFirstRowsGrowForLaterOnes) {
  fake::Table table{{"v", "n"}, {}};
  for (int n = 1; n <= 1000; ++n) table.rows.push_back({Variant::Text("x"), Variant::I4(n)});
  table.rows.push_back({Variant::Text("wider"), Variant::I4(1001)});
  objects.results["long"] = table;
  const std::string output = session.Run("open a\nsql long\nrows all");
  EXPECT_TRUE(output.starts_with("v |    n\n--+-----\nx |    1\n")) << output.substr(0, 100);
  EXPECT_TRUE(output.ends_with("\nx | 1000\nwider | 1001\n(1001 rows)\n")) << output.substr(output.size() - 100);
}

// What was read before a failure is shown, the report follows, and the rows shown count as shown.
TEST_F(RowListing, AFailureEndsTheTableAfterTheRowsRead) {
  session.Run("open a\nsql three");
  objects.calls.FailAt("Field.Value", 3, access::DataAccessError(access::kNoCurrentRecord, "Fake", "planned"));
  EXPECT_EQ(session.Run("rows all"),
            "n\n-\n1\n2\n" + Report(460, "800a0bcd", "Unknown error 0x800A0BCD", "Fake", "planned"));
  EXPECT_EQ(session.Run("rows"), "n\n-\n3\n(3 rows)\n");
}

// After a command that reached the database: its messages, the rows changed, the results waiting,
// the time; on a pipe all of them on the notes' stream, the output as it would be without them.
TEST_F(RowListing, NotesFollowACommandThatReachedTheDatabase) {
  objects.behind["update"] = {Numbers(2), {}};
  session.database.SetTiming(true);
  EXPECT_EQ(session.Run("rows\ncount"), "Open table first!\nOpen table first!\n0 record(s) in current recordset.\n");
  EXPECT_EQ(session.Notes(), "") << "nothing reached a database";
  session.Run("open a");
  EXPECT_EQ(testsupport::WithTimesAsWords(session.Notes()), "Time\n");
  session.database.SetTiming(false);
  std::shared_ptr<fake::Connection> connection = objects.LastConnection();
  connection->messages = {{"NOTICE", "first"}, {"WARNING", "second #0c"}};
  connection->affected = 3;
  EXPECT_EQ(session.Run("sql update"), "");
  EXPECT_EQ(session.Notes(),
            "NOTICE: first\nWARNING: second #0c\n3 record(s) affected.\n2 more result(s) waiting: More shows the next.\n");
  // The next result has rows: no count; told of the one behind it once they are all read.
  EXPECT_EQ(session.Run("more\nrows 1"), "n\n-\n1\n");
  EXPECT_EQ(session.Notes(), "");
  EXPECT_EQ(session.Run("rows\nrecord"), "n\n-\n2\n(2 rows)\nn               1\n" + kSeparator + "\n");
  EXPECT_EQ(session.Notes(), "1 more result(s) waiting: More shows the next.\n");
  EXPECT_EQ(session.Run("more\nmore"), "No more results.\n");
  EXPECT_EQ(session.Notes(), "3 record(s) affected.\n");
}

}  // namespace

}  // namespace ql
