// Ctrl-C at a terminal while a database server runs a statement: the server cancels it, the
// program reports the cancellation and the connection goes on working.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "probes/access_probe.h"
#include "support/terminal_session.h"
#include "test_servers.h"

namespace ql {

namespace {

using testsupport::TerminalSession;

// One way to a server: through ODBC (a canceller thread calls SQLCancel), through libpq (the signal
// handler wakes a thread that sends libpq's cancel request), through MariaDB Connector/C (the signal
// handler wakes a helper that sends KILL QUERY over a second connection).
struct Road {
  std::string name;
  std::string server;
  bool native;
  std::string statement;  // runs for 30 seconds unless stopped
  std::string stopped;    // the server's word for the stop, in the report
};

// Whether another session on the server runs a statement that holds `text`, as the server's own
// activity view shows: only then is Ctrl-C sure to find the statement under way. (The PostgreSQL
// driver wraps a query in a cursor of its own, so the text stands in the middle.)
class ActivityWatch {
 public:
  ActivityWatch(const TestServer& server)
      : server_(server.name),
        connection_(access_probe::Connect(server.name == "pg" ? server.ConnectionString()
                                                              : server.NativeConnectionString(server.password))) {}

  bool Runs(const std::string& text) {
    const std::string query = server_ == "pg"
                                  ? "select 1 from pg_stat_activity where state = 'active' and pid <> pg_backend_pid() "
                                    "and query like '%" +
                                        text + "%'"
                                  : "select 1 from information_schema.PROCESSLIST where ID <> CONNECTION_ID() "
                                    "and INFO like '%" +
                                        text + "%'";
    access::Ref<access::Recordset> rows = access_probe::Query(connection_, query);
    return rows->State() != access::kStateClosed && rows->RecordCount() > 0;
  }

 private:
  std::string server_;
  access::Ref<access::Connection> connection_;
};

class ServerInterruptTest : public testing::TestWithParam<Road> {};

TEST_P(ServerInterruptTest, CtrlCCancelsAStatementOnTheServerAndTheConnectionStaysUsable) {
  const Road& road = GetParam();
  const TestServer* server = RequireServer(road.server);
  if (server == nullptr) return;
  ActivityWatch watch(*server);
  TerminalSession session;
  ASSERT_TRUE(session.Type(
      "open \"" + (road.native ? server->NativeConnectionString(server->password) : server->ConnectionString()) +
      "\"\n"));
  ASSERT_TRUE(session.Type("sql \"" + road.statement + "\"\n"));
  ASSERT_TRUE(session.WaitUntil([&] { return watch.Runs(road.statement); }, "the server to run the statement"));
  ASSERT_TRUE(session.Press("\x03"));
  const std::size_t reported = session.WaitForOutput(road.statement +
                                                     "\"\n^C\n--------------- Error @442 ---------------\n"
                                                     "> Code = 80040e4e\n");
  ASSERT_NE(reported, std::string::npos);
  EXPECT_NE(session.WaitForOutput(road.stopped, reported), std::string::npos);
  ASSERT_TRUE(session.Type("sql \"select 7 as answer\"\n"));
  ASSERT_TRUE(session.Type("record\n"));
  EXPECT_NE(session.WaitForOutput("answer          7\n", reported), std::string::npos);
  ASSERT_TRUE(session.Type("q\n"));
  EXPECT_EQ(session.Finish().exitCode, 0);
  EXPECT_FALSE(watch.Runs(road.statement));
}

// A server that takes the cancel request and never answers (its processes stopped): Ctrl-C, pressed
// twice, returns within the limit, the report says the cancel went unanswered, and the connection is
// taken as lost and opened again, which fails too while the server stays stopped.
TEST(ServerInterruptNative, CtrlCOnAStoppedServerReturnsWithinTheLimit) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  ActivityWatch watch(*server);
  TerminalSession session;
  ASSERT_TRUE(session.Type("open \"" + server->NativeConnectionString(server->password, "Connect Timeout=2") + "\"\n"));
  ASSERT_TRUE(session.Type("sql \"select pg_sleep(30)\"\n"));
  ASSERT_TRUE(session.WaitUntil([&] { return watch.Runs("select pg_sleep(30)"); }, "the server to run the statement"));
  PausedServer paused("pg");
  ASSERT_TRUE(paused.Paused());
  const auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(session.Press("\x03"));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_TRUE(session.Press("\x03"));
  const std::size_t reported = session.WaitForOutput(
      "> Description = The server did not answer the cancel request within 5 seconds; the connection to it was "
      "given up.\n");
  ASSERT_NE(reported, std::string::npos);
  const std::size_t reopened = session.WaitForOutput("Error @101", reported);
  EXPECT_NE(session.WaitForOutput("The connection was lost and could not be opened again", reopened),
            std::string::npos);
  // The limit, then the connect timeout of the new connection, and a moment.
  EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(5 + 2 + 3));
  ASSERT_TRUE(paused.Resume());
  ASSERT_TRUE(session.Type("q\n"));
  EXPECT_EQ(session.Finish().exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ServerInterruptTest,
    testing::Values(Road{"PostgresOdbc", "pg", false, "select pg_sleep(30)", "canceling statement due to user request"},
                    Road{"PostgresNative", "pg", true, "select pg_sleep(30)",
                         "canceling statement due to user request"},
                    Road{"MariadbNative", "mariadb", true, "select sleep(30)", "Query execution was interrupted"}),
    [](const auto& info) { return info.param.name; });

}  // namespace

}  // namespace ql
