// Tab at a terminal on a server's connection: the server's tables and columns complete, and a server
// that stops answering leaves no completion but a terminal that goes on answering.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "probes/access_probe.h"
#include "support/terminal_session.h"
#include "test_servers.h"

namespace ql {

namespace {

using testsupport::TerminalSession;

constexpr const char* kTable = "qlcompletionitems";

// The table the sessions complete, made afresh on `server` through its ODBC driver.
access::Ref<access::Connection> MakeTable(const TestServer& server) {
  const auto setup = access_probe::Connect(server.ConnectionString());
  access_probe::Query(setup, std::string("drop table if exists ") + kTable);
  access_probe::Query(setup, std::string("create table ") + kTable + " (itemid integer, itemname varchar(20))");
  return setup;
}

// A session without colours whose completed lines are read back: Ctrl-A and an "x" make each an
// unknown command, whose report shows the words.
struct CompletingSession {
  CompletingSession() : session(Options()) {}

  static testsupport::ProgramOptions Options() {
    testsupport::ProgramOptions options;
    options.environment["NO_COLOR"] = "1";
    return options;
  }

  bool ReadsBack(const std::string& keys, const std::string& words) {
    return session.Type(keys + "\x01x\n") &&
           session.WaitForOutput("Unknown command> " + words + " Press 'H' for help\n") != std::string::npos;
  }

  TerminalSession session;
};

// Through libpq and through an ODBC driver (MariaDB's), which list tables each their own way.
class ServerCompletionTest : public testing::TestWithParam<const char*> {};

TEST_P(ServerCompletionTest, TheServersTablesAndColumnsComplete) {
  const bool native = std::string(GetParam()) == "pg";
  const TestServer* server = RequireServer(native ? "pg" : "mariadb");
  if (server == nullptr) return;
  const auto setup = MakeTable(*server);
  CompletingSession typing;
  ASSERT_TRUE(typing.session.Type(
      "open \"" + (native ? server->NativeConnectionString(server->password) : server->ConnectionString()) + "\"\n"));
  EXPECT_TRUE(typing.ReadsBack("sql select * from qlcompletioni\t", "XSQL select * from qlcompletionitems"));
  EXPECT_TRUE(typing.ReadsBack("sql select * from qlcompletionitems where itemn\t",
                               "XSQL select * from qlcompletionitems where itemname"));
  ASSERT_TRUE(typing.session.Type("q\n"));
  EXPECT_EQ(typing.session.Finish().exitCode, 0);
  access_probe::Query(setup, std::string("drop table ") + kTable);
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerCompletionTest, testing::Values("pg", "mariadb"), [](const auto& info) {
  return std::string(info.param) == "pg" ? "NativePostgres" : "OdbcMariadb";
});

// Processes stopped with SIGSTOP for as long as this lives.
class StoppedProcesses {
 public:
  explicit StoppedProcesses(std::vector<pid_t> pids) : pids_(std::move(pids)) {
    for (const pid_t pid : pids_) EXPECT_EQ(::kill(pid, SIGSTOP), 0) << pid;
  }
  ~StoppedProcesses() { Resume(); }
  void Resume() {
    for (const pid_t pid : pids_) ::kill(pid, SIGCONT);
    pids_.clear();
  }

 private:
  std::vector<pid_t> pids_;
};

// The parent of `pid`, from /proc: the server's postmaster, which answers cancel requests.
pid_t ParentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t afterName = text.rfind(')');
  if (afterName == std::string::npos) return -1;
  char state = 0;
  int parent = -1;
  std::sscanf(text.c_str() + afterName + 1, " %c %d", &state, &parent);
  return parent;
}

// The session's server process and the postmaster are stopped: the read of a table's columns hangs,
// and so does the cancel request sent after it. Tab gives nothing within a moment, the terminal goes
// on answering, and once the server goes on the connection serves the next statement and Tab again.
TEST(ServerCompletionStopTest, AStoppedServerLeavesNoFrozenTerminal) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  const auto watch = MakeTable(*server);
  CompletingSession typing;
  ASSERT_TRUE(typing.session.Type(
      "open \"" + server->NativeConnectionString(server->password, "application_name=qlcompletion") + "\"\n"));
  ASSERT_TRUE(typing.ReadsBack("sql select * from qlcompletioni\t", "XSQL select * from qlcompletionitems"));
  const auto rows =
      access_probe::Query(watch, "select pid from pg_stat_activity where application_name = 'qlcompletion'");
  const pid_t backend = static_cast<pid_t>(std::stol("0" + access_probe::Column(*rows, "pid")));
  ASSERT_GT(backend, 0);
  const pid_t postmaster = ParentOf(backend);
  ASSERT_GT(postmaster, 1);
  StoppedProcesses stopped({postmaster, backend});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(typing.ReadsBack("sql select * from qlcompletionitems where itemn\t",
                               "XSQL select * from qlcompletionitems where itemn"));
  EXPECT_TRUE(typing.ReadsBack("he\t", "XHELP"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  stopped.Resume();
  // The answer stands on the last row; one more move leaves no result part read.
  for (const char* keys : {"sql select 7 as answer\n", "record\n", "t\n"}) ASSERT_TRUE(typing.session.Type(keys));
  EXPECT_NE(typing.session.WaitForOutput("answer          7\n"), std::string::npos);
  EXPECT_TRUE(typing.ReadsBack("sql select * from qlcompletionitems where itemn\t",
                               "XSQL select * from qlcompletionitems where itemname"));
  ASSERT_TRUE(typing.session.Type("q\n"));
  EXPECT_EQ(typing.session.Finish().exitCode, 0);
  access_probe::Query(watch, std::string("drop table ") + kTable);
}

}  // namespace

}  // namespace ql
