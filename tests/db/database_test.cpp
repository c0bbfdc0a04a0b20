#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/db/fake_objects.h"
#include "tests/db/session.h"

namespace ql {

namespace {

using access::DataAccessError;
using access::Variant;
using dbtest::kSeparator;
using dbtest::Report;
using Log = std::vector<std::string>;

class DatabaseObject : public ::testing::Test {
 protected:
  void SetUp() override {
    objects.results["select id"] = {{"id"}, {{Variant::I4(1)}, {Variant::I4(2)}, {Variant::I4(3)}}};
    objects.results["update"] = {};
  }

  // The calls made by what `run` does, without the State reads.
  Log CallsOf(const std::function<void()>& run) {
    objects.calls.ClearLog();
    run();
    Log calls;
    for (const std::string& call : objects.calls.Log()) {
      if (call.find(".State") == std::string::npos) calls.push_back(call);
    }
    return calls;
  }

  fake::Objects objects;
  std::unique_ptr<dbtest::Session> owned = std::make_unique<dbtest::Session>(objects);
  dbtest::Session& session = *owned;
  db::Database& database = session.database;

  const DataAccessError planned{access::kProviderFailed, "Fake", "planned"};
  const std::string plannedReport = "> Code = 80004005\n> Code meaning = Unspecified failure.\n"
                                    "> Source = Fake\n> Description = planned\n";
};

std::string Row(int id) { return "id              " + std::to_string(id) + "\n" + kSeparator + "\n"; }

std::string Framed(int lineTag, const std::string& body) {
  const std::string frame = "--------------- Error @" + std::to_string(lineTag) + " ---------------\n";
  return frame + body + frame;
}

TEST_F(DatabaseObject, BeforeAnyOpenEveryOperationButSqlAsksForATable) {
  EXPECT_FALSE(database.MoveFirst());
  EXPECT_FALSE(database.MoveNext());
  EXPECT_TRUE(database.IsEof());
  EXPECT_EQ(database.RecordCount(), 0);
  EXPECT_FALSE(database.ListTables());
  EXPECT_FALSE(database.ListDatabases());
  std::string six;
  for (int i = 0; i < 6; ++i) six += "Open table first!\n";
  EXPECT_EQ(session.Output(), six);

  EXPECT_FALSE(database.ExecuteSql("select id"));
  EXPECT_EQ(session.Output(), Report(442, "80004003", "There is no object to act on."));
  EXPECT_EQ(session.Run("record\nt\ncount"),
            "Open table first!\nOpen table first!\nOpen table first!\n0 record(s) in current recordset.\n");
  EXPECT_EQ(objects.calls.Log(), Log{});
}

TEST_F(DatabaseObject, OpenMakesTheConnectionOpensItThenMakesTheRecordset) {
  EXPECT_EQ(CallsOf([&] { EXPECT_TRUE(database.Open("Data Source=a.db")); }),
            (Log{"CreateConnection", "Connection.Open", "CreateRecordset"}));
  EXPECT_EQ(objects.LastConnection()->openedWith, "Data Source=a.db");
  EXPECT_EQ(session.Output(), "");
}

TEST_F(DatabaseObject, OpenReleasesTheOldConnectionWithoutClosingIt) {
  session.Run("open a");
  EXPECT_EQ(CallsOf([&] { database.Open("b"); }),
            (Log{"CreateConnection", "Connection.Open", "Connection.~", "Recordset.~", "CreateRecordset"}));
}

TEST_F(DatabaseObject, AFailedOpenKeepsTheConnectionAndTheRecordset) {
  EXPECT_EQ(session.Run("open a\nsql select id\nrecord"), Row(1));
  objects.calls.FailAt("Connection.Open", 1, planned);
  EXPECT_FALSE(database.Open("bad"));
  EXPECT_EQ(session.Output(), Framed(101, plannedReport));
  // The rows already read stay reachable, and the connection held so far runs the next statement.
  EXPECT_EQ(session.Run("t\ncount"), Row(2) + "3 record(s) in current recordset.\n");
  EXPECT_EQ(session.Run("sql select id\nrecord"), Row(1));
  EXPECT_EQ(session.Run("open good\nsql select id\nrecord"), Row(1));
}

TEST_F(DatabaseObject, AFailureMakingAnObjectLeavesItAbsent) {
  objects.calls.FailAt("CreateConnection", 1, DataAccessError(access::ToResultCode(0x80040154)));
  EXPECT_EQ(session.Run("open a\ntable\nrecord"),
            Report(101, "80040154", "Unknown error 0x80040154") + "Open table first!\nOpen table first!\n");

  objects.calls.FailAt("CreateRecordset", 1, DataAccessError(access::kOutOfMemory));
  EXPECT_EQ(session.Run("open a\nrecord\nsql select id"),
            Report(101, "8007000e", "Not enough memory to complete the operation.") + "Open table first!\n" +
                Report(442, "80004003", "There is no object to act on."));
}

TEST_F(DatabaseObject, TheRecordsetIsRefusedUntilAStatementRan) {
  const std::string refusal = "> Code = 800a0e78\n> Code meaning = Unknown error 0x800A0E78\n"
                              "> Source = Fake\n> Description = closed\n";
  session.Run("open a");
  EXPECT_EQ(session.Run("record"), Framed(145, refusal));
  EXPECT_EQ(session.Run("t"), Framed(164, refusal));
  EXPECT_TRUE(database.IsEof());
  EXPECT_EQ(session.Output(), Framed(183, refusal));
  EXPECT_EQ(session.Run("sql select id\nclose\nrecord"), Framed(145, refusal));
}

TEST_F(DatabaseObject, NavigatesTheCurrentRecordset) {
  EXPECT_EQ(session.Run("open a\nsql select id\nrecord\nt\nt\ncount"),
            Row(1) + Row(2) + Row(3) + "3 record(s) in current recordset.\n");
  // Past the last row the move succeeds and the end is reached: nothing is shown.
  EXPECT_TRUE(database.MoveNext());
  EXPECT_TRUE(database.IsEof());
  EXPECT_EQ(session.Output(), "");
  EXPECT_EQ(session.Run("t"), Framed(164, "> Code = 800a0bcd\n> Code meaning = Unknown error 0x800A0BCD\n"
                                          "> Source = Fake\n> Description = at the end\n"));
  EXPECT_EQ(session.Run("record"), Row(1));
}

TEST_F(DatabaseObject, EachStatementClosesTheOpenResultFirst) {
  session.Run("open a");
  EXPECT_EQ(CallsOf([&] { EXPECT_TRUE(database.ExecuteSql("select id")); }), Log{"Recordset.Open"});
  EXPECT_EQ(objects.LastRecordset()->source, "select id");
  EXPECT_EQ(CallsOf([&] { database.ExecuteSql("select id"); }), (Log{"Recordset.Close", "Recordset.Open"}));
  // A failed statement leaves the recordset closed, so the next one has nothing to close.
  EXPECT_EQ(CallsOf([&] { EXPECT_FALSE(database.ExecuteSql("selec id")); }),
            (Log{"Recordset.Close", "Recordset.Open"}));
  EXPECT_EQ(session.Output(), Report(442, "80040e14", "IDispatch error #3092", "Fake", "cannot run: selec id"));
  EXPECT_EQ(CallsOf([&] { database.ExecuteSql("update"); }), Log{"Recordset.Open"});
  EXPECT_EQ(CallsOf([&] { database.ExecuteSql("select id"); }), Log{"Recordset.Open"});
}

TEST_F(DatabaseObject, CloseClosesWhatIsOpenAndKeepsTheObjects) {
  EXPECT_EQ(CallsOf([&] { database.Close(); }), Log{});
  session.Run("open a\nsql select id");
  EXPECT_EQ(CallsOf([&] { database.Close(); }), (Log{"Recordset.Close", "Connection.Close"}));
  EXPECT_EQ(CallsOf([&] { database.Close(); }), Log{});
  EXPECT_EQ(objects.calls.Log(), (Log{"Recordset.State", "Connection.State"}));
  EXPECT_EQ(session.Output(), "");
  // The objects are kept: the listing reaches the closed connection instead of asking for a table.
  EXPECT_EQ(session.Run("table"),
            Report(238, "800a0e7d", "Unknown error 0x800A0E7D", "Fake", "closed"));
}

TEST_F(DatabaseObject, CloseLetsAFailureThrough) {
  session.Run("open a\nsql select id");
  objects.calls.FailAt("Recordset.Close", 1, planned);
  EXPECT_THROW(database.Close(), DataAccessError);
  EXPECT_EQ(session.Output(), "");
}

TEST_F(DatabaseObject, DestructionClosesThenReleasesTheRecordsetThenTheConnection) {
  session.Run("open a\nsql select id");
  EXPECT_EQ(CallsOf([&] { owned.reset(); }),
            (Log{"Recordset.Close", "Connection.Close", "Recordset.~", "Connection.~"}));
}

TEST_F(DatabaseObject, DestructionSurvivesAFailureWhileClosing) {
  session.Run("open a\nsql select id");
  objects.calls.FailAt("Recordset.Close", 1, planned);
  EXPECT_EQ(CallsOf([&] { EXPECT_NO_THROW(owned.reset()); }),
            (Log{"Recordset.Close", "Recordset.~", "Connection.~"}));
}

// A failure that shows the link gone is reported, then the connection string Open was given is
// opened again, once, on a new connection, and a note says so; what failed never runs again.
TEST_F(DatabaseObject, ALostConnectionIsOpenedAgainOnceAndNothingRunsTwice) {
  objects.results["insert"] = {};
  objects.facts = {{access::kFactProvider, "Fake"}, {access::kFactHost, "db2"}, {access::kFactPort, "5433"}};
  const std::string reopened = "The connection was lost and has been opened again to db2, port 5433: the command "
                               "that failed was not run again, and a transaction that was open is lost.\n";
  struct Case {
    std::string label;
    std::string command;        // fails, the link lost
    std::string failingCall;    // where it fails
    bool reopenFails;
    bool hookAllows;
    std::string output;
    std::string notes;
    int opens;                  // of the connection, the first open included
  };
  const Case cases[] = {
      {"a statement", "sql insert", "Recordset.Open", false, true, Framed(442, plannedReport), reopened, 2},
      {"a count", "count", "Recordset.RecordCount", false, true,
       Framed(203, plannedReport) + "0 record(s) in current recordset.\n", reopened, 2},
      {"a listing", "table", "Connection.OpenSchema", false, true, Framed(238, plannedReport), reopened, 2},
      {"the new connection refused", "sql insert", "Recordset.Open", true, true,
       Framed(442, plannedReport) + Framed(101, plannedReport),
       "The connection was lost and could not be opened again; open one to go on.\n", 2},
      {"a hook that ends the program instead", "sql insert", "Recordset.Open", false, false,
       Framed(442, plannedReport), "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    bool hookAsked = false;
    struct Hook {
      bool allows;
      bool& asked;
    } hook{c.hookAllows, hookAsked};
    database.OnLostConnection([](void* context) {
      auto& self = *static_cast<Hook*>(context);
      self.asked = true;
      return self.allows;
    }, &hook);
    session.Run("open Server=db1,db2;Password=x\nsql select id\nrecord");
    session.Notes();
    objects.calls.ClearLog();
    objects.LastConnection()->lost = true;
    objects.calls.FailAt(c.failingCall, 1, planned);
    if (c.reopenFails) objects.calls.FailAt("Connection.Open", 1, planned);
    EXPECT_EQ(session.Run(c.command), c.output);
    EXPECT_EQ(session.Notes(), c.notes);
    EXPECT_TRUE(hookAsked);
    EXPECT_EQ(objects.calls.Count("Connection.Open"), c.opens - 1);
    EXPECT_EQ(objects.calls.Count(c.failingCall), 1) << "run once";
    if (c.opens == 2 && !c.reopenFails) {
      EXPECT_EQ(objects.LastConnection()->openedWith, "Server=db1,db2;Password=x");
      EXPECT_EQ(session.Run("sql select id\nrecord"), Row(1)) << "the new connection serves the next command";
    }
    if (c.reopenFails) {
      // The lost connection stays held, and its next failure opens nothing again.
      objects.calls.ClearLog();
      objects.calls.FailAt("Recordset.Open", 1, planned);
      EXPECT_EQ(session.Run("sql insert"), Framed(442, plannedReport));
      EXPECT_EQ(objects.calls.Count("CreateConnection"), 0);
      EXPECT_EQ(session.Notes(), "");
    }
  }
  database.OnLostConnection(nullptr, nullptr);
  // A failed open of another string leaves the held connection with its own string to open again.
  session.Run("open first");
  const std::shared_ptr<fake::Connection> first = objects.LastConnection();
  objects.calls.FailAt("Connection.Open", 1, planned);
  session.Run("open second");
  first->lost = true;
  objects.calls.FailAt("Recordset.Open", 1, planned);
  session.Run("sql insert");
  ASSERT_NE(objects.LastConnection(), nullptr);
  EXPECT_EQ(objects.LastConnection()->openedWith, "first");
  session.Notes();
  // A failure that leaves the link as it was opens nothing.
  session.Run("open a");
  objects.calls.ClearLog();
  EXPECT_EQ(session.Run("sql selec id"), Report(442, "80040e14", "IDispatch error #3092", "Fake", "cannot run: selec id"));
  EXPECT_EQ(objects.calls.Count("CreateConnection"), 0);
  EXPECT_EQ(session.Notes(), "");
}

TEST_F(DatabaseObject, InterruptReachesTheHeldConnectionOnly) {
  database.Interrupt();
  session.Run("open a");
  database.Interrupt();
  EXPECT_EQ(objects.LastConnection()->interrupts, 1);
  objects.calls.FailAt("CreateConnection", 1, planned);
  session.Run("open b");
  database.Interrupt();
  // A failed open keeps the connection held so far: the interrupt still reaches it.
  EXPECT_EQ(objects.LastConnection()->interrupts, 2);
}

}  // namespace

}  // namespace ql
