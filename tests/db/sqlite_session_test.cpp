// The Database on the real SQLite provider, driven the way the program's commands drive it.

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "access/data_access.h"
#include "tests/db/session.h"

namespace ql {

namespace {

using dbtest::kSeparator;
using dbtest::Report;

class SqliteSession : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "ql-db-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  std::string OpenLine(const std::string& file = "test.db") const {
    return "open Data Source=" + (directory / file).string() + "\n";
  }

  // A database with the Account table of two rows, its first row shown.
  void OpenAccounts() {
    session.Run(OpenLine() +
                "sql create table Account (ID INTEGER PRIMARY KEY, User TEXT, Account TEXT, SetupDate DATE,"
                " Balance REAL, Active BOOLEAN, Photo BLOB)\n"
                "sql insert into Account values (1, NULL, 'north', '2003-10-01', 2.5, 1, x'0102')\n"
                "sql insert into Account values (2, 'ann', 'south', '2004-03-02 14:05:09', -0.25, 0, NULL)\n"
                "sql select * from Account order by ID\n");
  }

  static std::string LayerReport(int lineTag, const std::string& code, const std::string& meaning,
                                 const std::string& object, access::ResultCode result) {
    return Report(lineTag, code, meaning, object, std::string(access::DescribeResult(result)));
  }

  std::filesystem::path directory;
  dbtest::Session session{access::NativeObjects()};

  const std::string firstAccount =
      "ID              1\n"
      "User            <NULL>\n"
      "Account         \"north\"\n"
      "SetupDate       2003/10/1 0:0:0\n"
      "Balance         2.500000\n"
      "Active          True\n"
      "Photo           <Binary>\n" +
      kSeparator + "\n";
  const std::string secondAccount =
      "ID              2\n"
      "User            \"ann\"\n"
      "Account         \"south\"\n"
      "SetupDate       2004/3/2 14:5:9\n"
      "Balance         -0.250000\n"
      "Active          False\n"
      "Photo           <NULL>\n" +
      kSeparator + "\n";
  const std::string closedRecordset =
      LayerReport(0, "800a0e78", "Unknown error 0x800A0E78", "Recordset", access::kObjectClosed);
};

std::string WithTag(std::string report, int lineTag) {
  const std::string from = "Error @0 ";
  const std::string to = "Error @" + std::to_string(lineTag) + " ";
  for (std::size_t at = report.find(from); at != std::string::npos; at = report.find(from, at)) {
    report.replace(at, from.size(), to);
  }
  return report;
}

TEST_F(SqliteSession, StepsThroughTheRowsOfAStatement) {
  OpenAccounts();
  EXPECT_EQ(session.Output(), "");
  // The move past the last row succeeds and shows nothing; the next one is refused.
  EXPECT_EQ(session.Run("record\nt\nt\ncount"), firstAccount + secondAccount + "2 record(s) in current recordset.\n");
  EXPECT_EQ(session.Run("t"), LayerReport(164, "800a0bcd", "Unknown error 0x800A0BCD", "Recordset",
                                          access::kNoCurrentRecord));
  EXPECT_EQ(session.Run("record"), firstAccount);
}

TEST_F(SqliteSession, BeforeAnyOpenOnlyTheStatementIsReported) {
  EXPECT_EQ(session.Run("record\nt\ncount\ntable\ndb\nclose"),
            "Open table first!\nOpen table first!\nOpen table first!\n0 record(s) in current recordset.\n"
            "Open table first!\nOpen table first!\n");
  EXPECT_EQ(session.Run("sql select 1"), Report(442, "80004003", "There is no object to act on."));
}

TEST_F(SqliteSession, TheRecordsetIsClosedUntilAStatementGivesRows) {
  EXPECT_EQ(session.Run(OpenLine() + "record"), WithTag(closedRecordset, 145));
  EXPECT_EQ(session.Run("sql create table t (a)\nt"), WithTag(closedRecordset, 164));
  EXPECT_TRUE(session.database.IsEof());
  EXPECT_EQ(session.Output(), WithTag(closedRecordset, 183));
  // The Errors of the connection are empty after a statement that succeeded.
  EXPECT_EQ(session.Run("count"), WithTag(closedRecordset, 203) + "0 record(s) in current recordset.\n");
}

TEST_F(SqliteSession, StatementErrorsCarryTheDatabasesMessage) {
  session.Run(OpenLine());
  EXPECT_FALSE(session.database.ExecuteSql("selec 1"));
  // The "#30" of the meaning is a colour change, removed on redirected output.
  EXPECT_EQ(session.Output(), Report(442, "80040e14", "IDispatch error #3092", "SQLite", "near \"selec\": syntax error"));
  EXPECT_EQ(session.Run("sql select * from nope"),
            Report(442, "80040e37", "IDispatch error #3127", "SQLite", "no such table: nope"));
  EXPECT_EQ(session.Run("sql select 7 as n\nrecord"), "n               7\n" + kSeparator + "\n");
}

TEST_F(SqliteSession, AFailedCountListsTheConnectionsErrorsFirst) {
  session.Run(OpenLine() + "sql select 1 as n\nsql selec");
  EXPECT_EQ(session.Run("count"),
            "\t Error number: 80040e14\tnear \"selec\": syntax error\n" + WithTag(closedRecordset, 203) +
                "0 record(s) in current recordset.\n");
}

TEST_F(SqliteSession, EachStatementReplacesTheResult) {
  OpenAccounts();
  EXPECT_EQ(session.Run("record\nsql select Account from Account where ID = 2\nrecord\ncount"),
            firstAccount + "Account         \"south\"\n" + kSeparator + "\n1 record(s) in current recordset.\n");
  // As many columns as before, under other names: the record shows the new statement's fields.
  EXPECT_EQ(session.Run("sql select ID as a, 2 as b, 3 as c, 4 as d, 5 as e, 6 as f, 7 as g from Account where ID = 1\n"
                        "record"),
            "a               1\nb               2\nc               3\nd               4\ne               5\n"
            "f               6\ng               7\n" + kSeparator + "\n");
  EXPECT_EQ(session.Run("sql select * from Account order by ID\nrecord\nclose\n" + OpenLine() +
                        "sql select Account from Account where ID = 1\nrecord"),
            firstAccount + "Account         \"north\"\n" + kSeparator + "\n");
}

TEST_F(SqliteSession, ShowsValuesByTheirDatabaseType) {
  session.Run(OpenLine() + "sql create table v (big INTEGER, small SMALLINT, tiny TINYINT, price DECIMAL(9,2),"
                           " at DATETIME, bad DATE, late DATETIME, zoned DATETIME, t TEXT)\n"
                           "sql insert into v values (9223372036854775807, -5, -1, 12.5, '2004-03-02 14:05:09',"
                           " 'soon', '2024-12-31 23:59:59.999', '2024-05-06 07:08:09+02:00', 'a#0cb')\n"
                           "sql select * from v");
  EXPECT_EQ(session.Run("record"),
            "big             9223372036854775807\n"
            "small           -5\n"
            "tiny            -1\n"
            "price           12.500000\n"
            "at              2004/3/2 14:5:9\n"
            "bad             \"soon\"\n"
            "late            2024/12/31 23:59:59\n"
            "zoned           \"2024-05-06 07:08:09+02:00\"\n"
            "t               \"a#0cb\"\n" +
                kSeparator + "\n");
  // The same values in a table: numbers to the right, texts without their quotes.
  EXPECT_EQ(session.Run("sql select * from v\nrows"),
            "                big | small | tiny |     price | at              | bad  | late                | "
            "zoned                     | t\n"
            "--------------------+-------+------+-----------+-----------------+------+---------------------+-"
            "--------------------------+------\n"
            "9223372036854775807 |    -5 |   -1 | 12.500000 | 2004/3/2 14:5:9 | soon | 2024/12/31 23:59:59 | "
            "2024-05-06 07:08:09+02:00 | a#0cb\n"
            "(1 row)\n");
}

// Beside what the commands print: the rows a statement changed, as notes; a table's columns as its
// declaration has them; what the connection is.
TEST_F(SqliteSession, ColumnsCountsAndWhatTheConnectionIs) {
  OpenAccounts();
  EXPECT_EQ(session.Notes(), "1 record(s) affected.\n1 record(s) affected.\n") << "the two inserts, not the create";
  EXPECT_EQ(session.Run("sql update Account set Balance = Balance\nsql delete from Account where ID > 5"), "");
  EXPECT_EQ(session.Notes(), "2 record(s) affected.\n0 record(s) affected.\n");
  EXPECT_EQ(session.Run("columns Account\ncolumns Nothing"),
            "Name      | Type    | Size | Nullable | Default\n"
            "----------+---------+------+----------+--------\n"
            "ID        | INTEGER |      | YES      |\n"
            "User      | TEXT    |      | YES      |\n"
            "Account   | TEXT    |      | YES      |\n"
            "SetupDate | DATE    |      | YES      |\n"
            "Balance   | REAL    |      | YES      |\n"
            "Active    | BOOLEAN |      | YES      |\n"
            "Photo     | BLOB    |      | YES      |\n"
            "No columns: no table \"Nothing\" was found.\n");
  const std::string info = session.Run("sql begin\ninfo");
  EXPECT_TRUE(info.starts_with("Provider:    SQLite 3.")) << info;
  EXPECT_TRUE(info.ends_with("\nDatabase:    " + (directory / "test.db").string() + "\nTransaction: open\n")) << info;
  EXPECT_EQ(session.Notes(), "");
}

TEST_F(SqliteSession, ListsTablesAndDatabases) {
  OpenAccounts();
  session.Run("sql create view Rich as select * from Account where Balance > 1\n"
              "sql create table Log (n INTEGER PRIMARY KEY AUTOINCREMENT)");
  EXPECT_EQ(session.Run("table"), "Account [TABLE]\nLog [TABLE]\nRich [VIEW]\nsqlite_master [SYSTEM TABLE]\n"
            "sqlite_sequence [SYSTEM TABLE]\n");
  EXPECT_EQ(session.Run("db"), "main\n");
}

// Completion's names: read only while no result is part read, kept while queries run, and read
// again after a statement that may have changed them.
TEST_F(SqliteSession, CompletionNamesFollowTheSchema) {
  db::Database& database = session.database;
  const auto tables = [&] { return database.TableNames(std::chrono::steady_clock::now() + std::chrono::seconds(5)); };
  using Names = std::vector<std::string>;
  EXPECT_EQ(tables(), Names{});
  OpenAccounts();
  EXPECT_EQ(tables(), Names{});
  session.Run("record\nt\nt");
  EXPECT_EQ(tables(), Names{"Account"});
  EXPECT_EQ(database.ColumnNames("Account", std::chrono::steady_clock::now() + std::chrono::seconds(5)),
            (Names{"ID", "User", "Account", "SetupDate", "Balance", "Active", "Photo"}));
  session.Run("sql select 1 as one");
  EXPECT_EQ(tables(), Names{"Account"});
  session.Run("sql create view Rich as select * from Account");
  EXPECT_EQ(tables(), (Names{"Account", "Rich"}));
  session.Run("sql select 1 as one; select 2 as two");
  EXPECT_EQ(tables(), Names{});
  // Read ahead while the connection is free, they are there once a result is part read.
  session.Run("sql create table Log (n)");
  database.ReadNamesAhead();
  session.Run("sql select * from Account");
  EXPECT_EQ(tables(), (Names{"Account", "Log", "Rich"}));
  session.Run("close");
  EXPECT_EQ(tables(), Names{});
}

TEST_F(SqliteSession, AListingLeavesTheCurrentRowAlone) {
  OpenAccounts();
  EXPECT_EQ(session.Run("record\ntable\ndb\nt"), firstAccount + "Account [TABLE]\nsqlite_master [SYSTEM TABLE]\nmain\n" + secondAccount);
}

TEST_F(SqliteSession, AfterCloseTheListingsReachTheClosedConnection) {
  OpenAccounts();
  EXPECT_EQ(session.Run("close\nclose"), "");
  const std::string unusable =
      LayerReport(0, "800a0e7d", "Unknown error 0x800A0E7D", "Connection", access::kConnectionUnusable);
  EXPECT_EQ(session.Run("table\ndb"), WithTag(unusable, 238) + WithTag(unusable, 277));
  EXPECT_EQ(session.Run("record"), WithTag(closedRecordset, 145));
  EXPECT_EQ(session.Run("sql select 1"), WithTag(unusable, 442));
}

TEST_F(SqliteSession, AFailedOpenKeepsTheRowsAlreadyRead) {
  OpenAccounts();
  EXPECT_EQ(session.Run("record"), firstAccount);
  EXPECT_FALSE(session.database.Open(("Data Source=" + (directory / "no" / "such.db").string()).c_str()));
  EXPECT_EQ(session.Output(), Report(101, "80004005", "Unspecified failure.", "SQLite", "unable to open database file"));
  EXPECT_EQ(session.Run("t"), secondAccount);
  const std::string unusable =
      LayerReport(442, "800a0e7d", "Unknown error 0x800A0E7D", "Connection", access::kConnectionUnusable);
  EXPECT_EQ(session.Run("sql select 1"), unusable);
  EXPECT_EQ(session.Run(OpenLine() + "sql select count(*) as n from Account\nrecord"),
            "n               2\n" + kSeparator + "\n");
}

TEST_F(SqliteSession, AnUnknownProviderIsReportedUnderOpen) {
  EXPECT_FALSE(session.database.Open("Provider=Nothing.Here;Data Source=x"));
  const std::string output = session.Output();
  EXPECT_EQ(output.rfind("--------------- Error @101 ---------------\n> Code = 800a0e7a\n", 0), 0u) << output;
}

}  // namespace

}  // namespace ql
