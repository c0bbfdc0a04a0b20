// Rows: the current recordset as a table, on a pipe and at a terminal, how it goes on from the row
// shown last, and the notes that follow a command; on SQLite in memory.

#include <string>

#include <gtest/gtest.h>

#include "tests/db/session.h"

namespace ql::dbtest {
namespace {

// Values of every kind: numbers stand right (a NULL among them too), everything else left; a text
// without its quotes, its control bytes as they come (escaped at a terminal).
const std::string kValues =
    "sql create table v (id INTEGER, a_name_of_twenty_ch TEXT, price DECIMAL(9,2), big INTEGER, at DATETIME, note)\n"
    "sql insert into v values (1, 'north', 12.5, -9223372036854775808, '2004-03-02 14:05:09', NULL),"
    " (22, 'wide text that goes on', NULL, 9223372036854775807, '2003-10-01', 'a' || char(27) || '[2Jb')\n"
    "sql select * from v\n";

std::string Numbers(int count) {
  return "sql with recursive c(n) as (select 1 union all select n + 1 from c where n < " + std::to_string(count) +
         ") select n from c\n";
}

using RowListing = SessionTest;

TEST_F(RowListing, ShowsEveryValueAsTheRecordDisplayDoesAlignedInColumns) {
  EXPECT_EQ(session.Run("memory\n" + kValues + "rows all"),
            "id | a_name_of_twenty_ch    |     price |                  big | at              | note\n"
            "---+------------------------+-----------+----------------------+-----------------+-------\n"
            " 1 | north                  | 12.500000 | -9223372036854775808 | 2004/3/2 14:5:9 | <NULL>\n"
            "22 | wide text that goes on |    <NULL> |  9223372036854775807 | 2003/10/1 0:0:0 | a\x1b[2Jb\n"
            "(2 rows)\n");
}

// At a terminal 40 columns wide and 10 rows high: the widest columns are cut to fit, each cut value
// ends in "~", control bytes are shown escaped, and a screenful is what fits above the prompt.
TEST_F(RowListing, AtATerminalTheTableFitsItsWidthAndHeight) {
  Session terminal{objects, true};
  terminal.Script().size = console::WindowSize{40, 10};
  terminal.Run("memory\n" + kValues);
  EXPECT_EQ(terminal.Run("rows"),
            "id | a_na~ | price |   big | at   | note\n"
            "---+-------+-------+-------+------+-----\n"
            " 1 | north | 12.5~ | -922~ | 200~ | <NU~\n"
            "22 | wide~ | <NUL~ | 9223~ | 200~ | a~\n"
            "(2 rows)\n");
  EXPECT_EQ(terminal.Run(Numbers(8) + "rows"), "n\n-\n1\n2\n3\n4\n5\n6\n");
}

// Each case is a fresh session; `rows` goes on after the row `record`, `t` or `rows` showed last,
// and leaves the recordset on the last row it showed.
TEST_F(RowListing, GoesOnFromTheRowShownLast) {
  const std::string three = Numbers(3);
  const std::string noCurrent = LayerReport(164, access::kNoCurrentRecord, "Recordset");
  const struct {
    std::string script;
    std::string output;
  } cases[] = {
      {three + "rows 2\nt\nt", "n\n-\n1\n2\n" + Record("n", "3")},
      {three + "record\nrows\nrows", Record("n", "1") + "n\n-\n2\n3\n(3 rows)\n(3 rows)\n"},
      {three + "rows 1\nrecord\nrows 1", "n\n-\n1\n" + Record("n", "1") + "n\n-\n2\n"},
      // Three rows asked of three: the end is found by the next move, which comes back.
      {three + "rows 3\nrows\nt\nt", "n\n-\n1\n2\n3\n(3 rows)\n" + noCurrent},
      {three + "rows all\nt\nt", "n\n-\n1\n2\n3\n(3 rows)\n" + noCurrent},
      {three + "t\nt\nt\nrows", Record("n", "2") + Record("n", "3") + "(3 rows)\n"},
      {"sql select 1 as n where 0\nrows", "n\n-\n(0 rows)\n"},
      {"sql create table t (a)\nrows", LayerReport(460, access::kObjectClosed, "Recordset")},
  };
  for (const auto& c : cases) {
    Session fresh{objects};
    EXPECT_EQ(fresh.Run("memory\n" + c.script), c.output) << c.script;
  }
}

// The widths come from the first rows; a later, wider value widens its column from its line on.
TEST_F(RowListing, ColumnsMeasuredOnTheFirstRowsGrowForLaterOnes) {
  const std::string output = session.Run(
      "memory\nsql with recursive c(n) as (select 1 union all select n + 1 from c where n < 1001)"
      " select case when n = 1001 then 'wider' else 'x' end as v, n from c\nrows all");
  EXPECT_TRUE(output.starts_with("v |    n\n--+-----\nx |    1\n")) << output.substr(0, 100);
  EXPECT_TRUE(output.ends_with("\nx | 1000\nwider | 1001\n(1001 rows)\n")) << output.substr(output.size() - 100);
}

// What was read before a failure is shown, the report follows, and the rows shown count as shown.
TEST_F(RowListing, AFailureEndsTheTableAfterTheRowsRead) {
  session.Run("memory\n" + Numbers(3));
  objects.FailAt("Recordset.ReadRow", 3, planned);
  EXPECT_EQ(session.Run("rows 5"), "n\n-\n1\n2\n" + PlannedReport(460));
  EXPECT_EQ(session.Run("rows"), "n\n-\n3\n(3 rows)\n");
}

// After a command that reached the database: its messages, the rows changed, the results waiting,
// the time; on a pipe all of them on the notes' stream, the output as it would be without them.
TEST_F(RowListing, NotesFollowACommandThatReachedTheDatabase) {
  const std::string update = "update t set a = a";
  objects.behind[update] = {"select a as n from t order by a", "delete from t where a > 5"};
  session.database.SetTiming(true);
  EXPECT_EQ(session.Run("rows\ncount"), "Open table first!\nOpen table first!\n0 record(s) in current recordset.\n");
  EXPECT_EQ(session.Notes(), "") << "nothing reached a database";
  session.Run("memory");
  EXPECT_EQ(testsupport::WithTimesAsWords(session.Notes()), "Time\n");
  session.database.SetTiming(false);
  session.Run("sql create table t (a)\nsql insert into t values (1), (2), (7)");
  EXPECT_EQ(session.Notes(), "3 record(s) affected.\n") << "none for the create";
  objects.LastConnection()->messages = {{"NOTICE", "first"}, {"WARNING", "second #0c"}};
  EXPECT_EQ(session.Run("sql " + update), "");
  EXPECT_EQ(session.Notes(),
            "NOTICE: first\nWARNING: second #0c\n3 record(s) affected.\n"
            "2 more result(s) waiting: More shows the next.\n");
  // The next result has rows: no count, whatever the connection tells; told of the one behind it
  // once they are all read.
  objects.LastConnection()->affected = 3;
  EXPECT_EQ(session.Run("more\nrows 1"), "n\n-\n1\n");
  EXPECT_EQ(session.Notes(), "");
  objects.LastConnection()->affected.reset();
  EXPECT_EQ(session.Run("rows\nrecord"), "n\n-\n2\n7\n(3 rows)\n" + Record("n", "1"));
  EXPECT_EQ(session.Notes(), "1 more result(s) waiting: More shows the next.\n");
  EXPECT_EQ(session.Run("more\nmore"), "No more results.\n");
  EXPECT_EQ(session.Notes(), "1 record(s) affected.\n");
}

}  // namespace
}  // namespace ql::dbtest
