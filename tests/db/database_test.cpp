// The Database on SQLite through the layer's own objects, faults planted where the layer could
// fail: opening, statements, moves, closing, a lost connection, interrupts.

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/temporary_directory.h"
#include "tests/db/session.h"

namespace ql::dbtest {
namespace {

using access::DataAccessError;

class DatabaseObject : public SessionTest {
 protected:
  const std::string refusal = "Open table first!\n";
  const std::string accounts =
      "sql create table Account (ID INTEGER PRIMARY KEY, User TEXT, SetupDate DATE, Balance REAL, Photo BLOB)\n"
      "sql insert into Account values (1, NULL, '2003-10-01', 2.5, x'0102'),"
      " (2, 'ann', '2004-03-02 14:05:09', -0.25, NULL)\n"
      "sql select * from Account order by ID\n";
  const std::string first =
      "ID              1\nUser            <NULL>\nSetupDate       2003/10/1 0:0:0\n"
      "Balance         2.500000\nPhoto           <Binary>\n" +
      kSeparator + "\n";
  const std::string second =
      "ID              2\nUser            \"ann\"\nSetupDate       2004/3/2 14:5:9\n"
      "Balance         -0.250000\nPhoto           <NULL>\n" +
      kSeparator + "\n";
};

// An interrupt then reaches nothing.
TEST_F(DatabaseObject, BeforeAnyOpenEveryOperationButSqlAsksForATable) {
  session.database.Interrupt();
  EXPECT_EQ(session.Run("record\nt\ncount\ntable\ndb\ncolumns t\nrows\nmore\ninfo\nclose"),
            refusal + refusal + refusal + "0 record(s) in current recordset.\n" + refusal + refusal + refusal +
                refusal + refusal + refusal);
  EXPECT_EQ(session.Run("sql select 1"), Report(442, "80004003", "There is no object to act on."));
}

// The move past the last row succeeds and shows nothing; the next one is refused.
TEST_F(DatabaseObject, StepsThroughTheRowsShowingEachValueByItsDatabaseType) {
  EXPECT_EQ(session.Run("memory\n" + accounts + "record\nt\nt\ncount"),
            first + second + "2 record(s) in current recordset.\n");
  EXPECT_EQ(session.Run("t"), LayerReport(164, access::kNoCurrentRecord, "Recordset"));
  EXPECT_EQ(session.Run("record\nsql select 7 as n\nrecord"), first + Record("n", "7"));
  // A failed end test counts as the end: reported, nothing shown.
  objects.FailAt("Recordset.Eof", 1, planned);
  EXPECT_EQ(session.Run("record"), PlannedReport(183));
}

TEST_F(DatabaseObject, TheRecordsetIsRefusedUntilAStatementGivesRows) {
  EXPECT_EQ(session.Run("memory\nrecord"), LayerReport(145, access::kObjectClosed, "Recordset"));
  EXPECT_EQ(session.Run("sql create table t (a)\nt"), LayerReport(164, access::kObjectClosed, "Recordset"));
}

// What the connection is, a "Name: value" line each, the values in one column.
TEST_F(DatabaseObject, InfoTellsWhatTheConnectionIs) {
  const std::string info = session.Run("memory\nsql begin\ninfo");
  EXPECT_TRUE(info.starts_with("Provider:    SQLite 3.")) << info;
  EXPECT_TRUE(info.ends_with("\nDatabase:    :memory:\nTransaction: open\n")) << info;
}

// A failed open leaves the connection held in place: its rows, its tables, the interrupts reaching it.
TEST_F(DatabaseObject, AFailedOpenKeepsTheConnectionAndTheRowsAlreadyRead) {
  EXPECT_EQ(session.Run("memory\n" + accounts + "record"), first);
  const auto held = objects.LastConnection();
  EXPECT_EQ(session.Run("open Data Source=/nonexistent/dir/x.db"),
            Report(101, "80004005", "Unspecified failure.", "SQLite", "unable to open database file"));
  objects.FailAt("Connection.Open", 1, planned);
  EXPECT_EQ(session.Run("memory\nt"), PlannedReport(101) + second);
  session.database.Interrupt();
  EXPECT_EQ(held->interrupts, 1);
  // The connection held so far, with its table, runs the next statement.
  EXPECT_EQ(session.Run("sql select count(*) as n from Account\nrecord"), Record("n", "2"));
}

TEST_F(DatabaseObject, AFailureMakingAnObjectLeavesItAbsent) {
  objects.FailAt("CreateConnection", 1, DataAccessError(access::ToResultCode(0x80040154)));
  EXPECT_EQ(session.Run("memory\ntable\nrecord"),
            Report(101, "80040154", "Unknown error 0x80040154") + refusal + refusal);
  objects.FailAt("CreateRecordset", 1, DataAccessError(access::kOutOfMemory));
  EXPECT_EQ(session.Run("memory\nrecord\nsql select 1"),
            Report(101, "8007000e", "Not enough memory to complete the operation.") + refusal +
                Report(442, "80004003", "There is no object to act on."));
}

// Close closes what is open and keeps the objects: the commands reach the closed ones instead of
// asking for a table. A failure while closing goes to the caller, and never out of the destructor.
TEST_F(DatabaseObject, CloseKeepsTheObjectsAndLetsAFailureThrough) {
  EXPECT_EQ(session.Run("memory\n" + accounts + "close\nclose"), "");
  EXPECT_EQ(session.Run("table\nrecord\nsql select 1"),
            LayerReport(238, access::kConnectionUnusable, "Connection") +
                LayerReport(145, access::kObjectClosed, "Recordset") +
                LayerReport(442, access::kConnectionUnusable, "Connection"));
  auto owned = std::make_unique<Session>(objects);
  owned->Run("memory\n" + accounts);
  objects.FailAt("Recordset.Close", 1, planned);
  EXPECT_THROW(owned->database.Close(), DataAccessError);
  objects.FailAt("Recordset.Close", 1, planned);
  EXPECT_NO_THROW(owned.reset());
}

// A failure that shows the link gone is reported, then the connection string Open was given is
// opened again, once, on a new connection, and a note says so; what failed never runs again.
TEST_F(DatabaseObject, ALostConnectionIsOpenedAgainOnceAndNothingRunsTwice) {
  objects.facts = {{access::kFactProvider, "Fake"}, {access::kFactHost, "db2"}, {access::kFactPort, "5433"}};
  const std::string reopened =
      "The connection was lost and has been opened again to db2, port 5433: the command "
      "that failed was not run again, and a transaction that was open is lost.\n";
  const std::string refused = "The connection was lost and could not be opened again; open one to go on.\n";
  const struct {
    std::string command;      // fails, the link lost
    std::string failingCall;  // where it fails
    bool reopenFails;
    bool hookAllows;
    std::string output;
    std::string notes;
  } cases[] = {
      {"sql insert into t values (2)", "Recordset.Open", false, true, PlannedReport(442), reopened},
      {"count", "Recordset.RecordCount", false, true, PlannedReport(203) + "0 record(s) in current recordset.\n",
       reopened},
      {"table", "Connection.OpenSchema", false, true, PlannedReport(238), reopened},
      {"sql insert into t values (2)", "Recordset.Open", true, true, PlannedReport(442) + PlannedReport(101), refused},
      {"sql insert into t values (2)", "Recordset.Open", false, false, PlannedReport(442), ""},
  };
  const testsupport::TemporaryDirectory directory;
  const std::string file = "Data Source=" + directory.File("lost.db");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + (c.reopenFails ? ", the new connection refused" : "") +
                 (c.hookAllows ? "" : ", the hook refusing"));
    struct Hook {
      static bool Ask(void* self) { return static_cast<Hook*>(self)->asked = true, static_cast<Hook*>(self)->allows; }
      bool allows;
      bool asked = false;
    } hook{c.hookAllows};
    session.database.OnLostConnection(Hook::Ask, &hook);
    session.Run("open " + file + "\nsql drop table if exists t\nsql create table t (a)\nsql select * from t");
    session.Notes();
    const auto lost = objects.LastConnection();
    lost->lost = true;
    objects.FailAt(c.failingCall, 1, planned);
    if (c.reopenFails) objects.FailAt("Connection.Open", 1, planned);
    EXPECT_EQ(session.Run(c.command), c.output);
    EXPECT_EQ(session.Notes(), c.notes);
    EXPECT_TRUE(hook.asked);
    EXPECT_EQ(session.Run("sql select count(*) as n from t\nrecord"), Record("n", "0")) << "run once";
    if (c.reopenFails) {
      // The lost connection stays held, and its next failure opens nothing again.
      objects.FailAt("Recordset.Open", 1, planned);
      EXPECT_EQ(session.Run("sql select 1"), PlannedReport(442));
      EXPECT_EQ(session.Notes(), "");
    }
    const bool opened = c.hookAllows && !c.reopenFails;
    const auto held = objects.LastConnection();
    EXPECT_EQ(held != nullptr && held != lost, opened) << "a new connection after a reopen";
    EXPECT_EQ(opened ? held->openedWith : file, file);
  }
  session.database.OnLostConnection(nullptr, nullptr);
  // A failed open of another string leaves the held connection with its own string to open again.
  session.Run("open " + file);
  const auto first = objects.LastConnection();
  objects.FailAt("Connection.Open", 1, planned);
  session.Run("memory");
  first->lost = true;
  objects.FailAt("Recordset.Open", 1, planned);
  session.Run("sql select 1");
  ASSERT_NE(objects.LastConnection(), nullptr);
  EXPECT_EQ(objects.LastConnection()->openedWith, file);
}

}  // namespace
}  // namespace ql::dbtest
