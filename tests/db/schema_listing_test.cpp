// The listings of tables, databases and a table's columns, and the names Tab completes from, on
// SQLite in memory.

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/db/session.h"

namespace ql::dbtest {
namespace {

class SchemaListing : public SessionTest {
 protected:
  void SetUp() override {
    session.Run(
        "memory\nsql create table Account (id INTEGER NOT NULL, name varchar(64) DEFAULT 'x')\n"
        "sql create view \"100% #0c\" as select 1\nsql insert into Account values (1, 'a'), (2, 'b')");
  }

  const std::string allTables = "Account [TABLE]\n100% #0c [VIEW]\nsqlite_master [SYSTEM TABLE]\n";
  const std::string failed = PlannedReport(238);
};

// Names as the provider gives them, never as markup; the current row left alone.
TEST_F(SchemaListing, ListsTablesAndDatabasesLeavingTheCurrentRowAlone) {
  EXPECT_EQ(session.Run("sql select id from Account\nrecord\ntable\ndb\nt"),
            Record("id", "1") + allTables + "main\n" + Record("id", "2"));
}

// A failure ends the listing: the lines so far stay, then the report. A listing the provider does
// not offer is said in a line of its own, for catalogs and columns; tables have no such exception.
TEST_F(SchemaListing, AFailureAnywhereIsReportedAfterTheLinesSoFar) {
  const std::string columns =
      "Name | Type    | Size | Nullable | Default\n-----+---------+------+----------+--------\n"
      "id   | INTEGER |      | NO       |\n";
  const struct {
    std::string command;
    std::string call;
    int occurrence;
    std::string output;
    access::ResultCode code = access::kProviderFailed;
  } cases[] = {
      {"table", "Connection.OpenSchema", 1, failed},
      {"table", "Recordset.Eof", 1, failed},
      {"table", "Recordset.Fields", 1, failed},
      {"table", "Recordset.MoveNext", 2, "Account [TABLE]\n100% #0c [VIEW]\n" + failed},
      {"table", "Recordset.Eof", 4, allTables + failed},
      {"table", "Recordset.State", 1, allTables + failed},
      {"table", "Recordset.Close", 1, allTables + failed},
      {"db", "Recordset.MoveNext", 1, "main\n" + PlannedReport(277)},
      {"columns Account", "Recordset.MoveNext", 1, columns + PlannedReport(255)},
      {"db", "Connection.OpenSchema", 1, "Not support list datebases!\n", access::kNotSupported},
      {"columns Account", "Connection.OpenSchema", 1, "This connection cannot list a table's columns.\n",
       access::kNotSupported},
      {"table", "Connection.OpenSchema", 1, Report(238, "800a0cb3", "Unknown error 0x800A0CB3", "Fake", "planned"),
       access::kNotSupported},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + ", " + c.call + " #" + std::to_string(c.occurrence));
    objects.FailAt(c.call, c.occurrence, access::DataAccessError(c.code, "Fake", "planned"));
    EXPECT_EQ(session.Run(c.command), c.output);
  }
  // The connection's errors come first: here those of the statement that failed before.
  objects.FailAt("Connection.OpenSchema", 1, planned);
  session.Run("sql selec");
  EXPECT_EQ(session.Run("table"), "\t Error number: 80040e14\tnear \"selec\": syntax error\n" + failed);
}

// A size or default the column has not (NULL) is left blank; the name reaches the provider as
// typed, and a table without columns gets a line of its own.
TEST_F(SchemaListing, ListsATablesColumns) {
  EXPECT_EQ(session.Run("columns Account\ncolumns \"Account\""),
            "Name | Type        | Size | Nullable | Default\n-----+-------------+------+----------+--------\n"
            "id   | INTEGER     |      | NO       |\nname | varchar(64) |      | YES      | 'x'\n"
            "No columns: no table \"\"Account\"\" was found.\n");
}

// Completion's names: read only while no result is part read, kept while queries run, and read
// again after a statement that may have changed them.
TEST_F(SchemaListing, CompletionNamesFollowTheSchema) {
  db::Database& database = session.database;
  const auto until = [] { return std::chrono::steady_clock::now() + std::chrono::seconds(5); };
  using Names = std::vector<std::string>;
  session.Run("sql select * from Account");
  EXPECT_EQ(database.TableNames(until()), Names{});
  session.Run("record\nt\nt");
  EXPECT_EQ(database.TableNames(until()), (Names{"100% #0c", "Account"}));
  EXPECT_EQ(database.ColumnNames("Account", until()), (Names{"id", "name"}));
  session.Run("sql drop view \"100% #0c\"");
  EXPECT_EQ(database.TableNames(until()), Names{"Account"});
  session.Run("sql select 1 as one");
  EXPECT_EQ(database.TableNames(until()), Names{"Account"});
  session.Run("sql create view Rich as select 1; select 2 as two");
  EXPECT_EQ(database.TableNames(until()), Names{});
  // Read ahead while the connection is free, they are there once a result is part read.
  session.Run("sql create table Log (n)");
  database.ReadNamesAhead();
  session.Run("sql select * from Account");
  EXPECT_EQ(database.TableNames(until()), (Names{"Account", "Log", "Rich"}));
  session.Run("close");
  EXPECT_EQ(database.TableNames(until()), Names{});
}

}  // namespace
}  // namespace ql::dbtest
