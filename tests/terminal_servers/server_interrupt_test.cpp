// Ctrl-C at a terminal while a database server runs a statement: the server cancels it, the
// program reports the cancellation and the connection goes on working.

#include <gtest/gtest.h>

#include <string>

#include "probes/access_probe.h"
#include "support/terminal_session.h"
#include "test_servers.h"

namespace ql {

namespace {

using testsupport::TerminalSession;

// Whether another session on the server runs a statement that holds `text`, as the server's own
// activity view shows: only then is Ctrl-C sure to find the statement under way. (The driver wraps
// a query in a cursor of its own, so the text stands in the middle.)
class ActivityWatch {
 public:
  explicit ActivityWatch(const TestServer& server) : connection_(access_probe::Connect(server.ConnectionString())) {}

  bool Runs(const std::string& text) {
    access::Ref<access::Recordset> rows = access_probe::Query(
        connection_, "select 1 from pg_stat_activity where state = 'active' and pid <> pg_backend_pid() "
                     "and query like '%" + text + "%'");
    return rows->State() != access::kStateClosed && rows->RecordCount() > 0;
  }

 private:
  access::Ref<access::Connection> connection_;
};

// Through ODBC (a canceller thread calls SQLCancel) and through libpq (the signal handler sends
// libpq's cancel request itself).
class ServerInterruptTest : public testing::TestWithParam<bool> {};

TEST_P(ServerInterruptTest, CtrlCCancelsAPostgresqlStatementAndTheConnectionStaysUsable) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  ActivityWatch watch(*server);
  TerminalSession session;
  const bool native = GetParam();
  ASSERT_TRUE(session.Type("open \"" + (native ? server->NativeConnectionString(server->password)
                                              : server->ConnectionString()) + "\"\n"));
  ASSERT_TRUE(session.Type("sql \"select pg_sleep(30)\"\n"));
  ASSERT_TRUE(session.WaitUntil([&] { return watch.Runs("select pg_sleep(30)"); },
                                "the server to run the statement"));
  ASSERT_TRUE(session.Press("\x03"));
  const std::size_t reported =
      session.WaitForOutput("pg_sleep(30)\"\n^C\n--------------- Error @442 ---------------\n"
                            "> Code = 80040e4e\n");
  ASSERT_NE(reported, std::string::npos);
  EXPECT_NE(session.WaitForOutput("canceling statement due to user request", reported),
            std::string::npos);
  ASSERT_TRUE(session.Type("sql \"select 7 as answer\"\n"));
  ASSERT_TRUE(session.Type("record\n"));
  EXPECT_NE(session.WaitForOutput("answer          7\n", reported), std::string::npos);
  ASSERT_TRUE(session.Type("q\n"));
  EXPECT_EQ(session.Finish().exitCode, 0);
  EXPECT_FALSE(watch.Runs("select pg_sleep(30)"));
}

INSTANTIATE_TEST_SUITE_P(Postgres, ServerInterruptTest, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Native" : "Odbc"; });

}  // namespace

}  // namespace ql
