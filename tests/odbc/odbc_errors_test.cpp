// Failures through the ODBC provider (and the PostgreSQL and MariaDB providers over their own client
// libraries) against the real servers: what the driver says, the codes the layer makes of it, the
// connection's Errors, and servers that refuse, never answer or go away.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "access/postgres/pg_session.h"
#include "odbc_engine.h"
#include "probes/access_probe.h"
#include "test_servers.h"

namespace ql {

using access::Recordset;
using access::Ref;
using access_probe::Hex;
using access_probe::Raised;

namespace {

// What each server's driver reports, as the tests expect to see it.
struct DriverFacts {
  std::string library;        // the driver's name as the source of its errors
  std::string syntaxState;    // SQLSTATE of a syntax error
  std::string wrongPassword;  // the code a refused login raises
  std::string longQuery;      // runs for minutes unless cancelled
};

const DriverFacts& FactsOf(const OdbcEngine& engine) {
  static const DriverFacts postgres{"psqlodbcw.so", "42601", Hex(access::kProviderFailed), "SELECT pg_sleep(600)"};
  static const DriverFacts native{"PostgreSQL", "42601", Hex(access::kAuthenticationFailed), "SELECT pg_sleep(600)"};
  static const DriverFacts mariadbNative{"MariaDB", "42000", Hex(access::kAuthenticationFailed), "SELECT SLEEP(600)"};
  if (engine.native) return engine.server == "pg" ? native : mariadbNative;
  static const DriverFacts mariadb{"libmaodbc.so", "42000", Hex(access::kAuthenticationFailed),
                                   "SELECT COUNT(*) FROM seq_1_to_100000 a, seq_1_to_100000 b, seq_1_to_100000 c"};
  return engine.server == "pg" ? postgres : mariadb;
}

// A TCP socket on 127.0.0.1 that listens but never accepts, so a client's connection is made by the
// kernel and then hears nothing; or, closed at once, a port where nothing listens.
class Listener {
 public:
  Listener() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(socket_, 4) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      ADD_FAILURE() << "no listening socket";
    }
    port_ = std::to_string(ntohs(address.sin_port));
  }
  ~Listener() { Close(); }
  void Close() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
  }
  const std::string& Port() const { return port_; }

 private:
  int socket_ = -1;
  std::string port_;
};

class OdbcServerFailures : public OdbcEngineTest {
 protected:
  // The code an Open of `connectionString` on a new connection raises; that connection stays in
  // fresh_ for its Errors.
  std::string OpenCode(const std::string& connectionString) {
    fresh_ = access::NativeObjects().CreateConnection();
    return Raised([&] { fresh_->Open(connectionString, "", "", 0); });
  }
  std::string FreshErrors() { return access_probe::ErrorsText(fresh_); }
  std::string ServerString(const std::string& port, const std::string& extra = "") {
    const TestServer* server = RequireServer(engine().server);
    TestServer moved = *server;
    moved.port = port;
    return engine().native ? moved.NativeConnectionString(moved.password, extra) : moved.ConnectionString(extra);
  }

  Ref<access::Connection> fresh_;
};

TEST_P(OdbcServerFailures, AStatementErrorCarriesTheDriversMessageSqlstateAndName) {
  try {
    Query("SELEC 1");
    FAIL() << "no error";
  } catch (const access::DataAccessError& error) {
    EXPECT_EQ(error.Code(), access::kStatementError);
    EXPECT_EQ(error.Source(), FactsOf(engine()).library);
    ASSERT_TRUE(error.Description().has_value());
    EXPECT_TRUE(error.Description()->ends_with("(SQLSTATE " + FactsOf(engine()).syntaxState + ")"))
        << *error.Description();
    EXPECT_EQ(error.Description()->find('\n'), std::string::npos) << "one line: " << *error.Description();
  }
  EXPECT_TRUE(ErrorsText().starts_with(Hex(access::kStatementError) + " " + FactsOf(engine()).library + ": "))
      << ErrorsText();
  EXPECT_FALSE(connection_->IsLost()) << "a statement the server refused leaves the link as it was";
}

TEST_P(OdbcServerFailures, AStatementWithANulIsRefusedRatherThanCutShort) {
  Query("CREATE TEMPORARY TABLE ql_nul (x INTEGER)");
  EXPECT_EQ(QueryCode(std::string("INSERT INTO ql_nul VALUES (1)\0; INSERT INTO ql_nul VALUES (2)", 61)),
            Hex(access::kStatementError));
  EXPECT_EQ(access_probe::RestOfRows(*Query("SELECT count(*) FROM ql_nul")), "0\n");
}

TEST_P(OdbcServerFailures, AWrongPasswordIsRefusedAndNotRepeatedInTheErrors) {
  const TestServer* server = RequireServer(engine().server);
  EXPECT_EQ(OpenCode(engine().native ? server->NativeConnectionString("not-the-Password-42")
                                     : server->ConnectionStringWithPassword("not-the-Password-42")),
            FactsOf(engine()).wrongPassword);
  EXPECT_EQ(fresh_->State(), access::kStateClosed);
  ASSERT_NE(FreshErrors(), "");
  EXPECT_EQ(FreshErrors().find("not-the-Password-42"), std::string::npos) << FreshErrors();
  EXPECT_EQ(OpenCode(connectionString_), "none") << "the same connection object opens with the right one";
}

// However a password is written, what reaches the server is what the user meant: the driver manager
// must not split it, the driver (or the server's own client library) must not trim or URL-decode it.
TEST_P(OdbcServerFailures, PasswordsWithCharactersADriverCouldMisreadLogIn) {
  const TestServer* server = RequireServer(engine().server);
  if (server == nullptr) return;
  ASSERT_FALSE(server->oddUser.empty() || server->bareUser.empty()) << "logins.env lacks the users; set up again";
  const auto quoted = [](const std::string& text, char quote) {
    std::string out(1, quote);
    for (char c : text) out.append(c == quote ? 2 : 1, c);
    return out + quote;
  };
  const auto braced = [](const std::string& text) {
    std::string out = "{";
    for (char c : text) out.append(c == '}' ? 2 : 1, c);
    return out + "}";
  };
  const std::string odd = server->oddPassword;
  const std::string bare = server->barePassword;
  struct Login {
    std::string user;
    std::string written;
  };
  const Login logins[] = {
      {server->oddUser, quoted(odd, '"')},    {server->oddUser, quoted(odd, '\'')},
      {server->oddUser, braced(odd)},         {server->bareUser, bare},
      {server->bareUser, quoted(bare, '\'')}, {server->bareUser, braced(bare)},
  };
  for (const Login& login : logins) {
    // Braces are ODBC's quoting; to the servers' own providers they are part of the value.
    if (engine().native && login.written.starts_with('{')) continue;
    const std::string text = engine().native ? server->NativeConnectionStringAs(login.user, login.written)
                                             : server->ConnectionStringAs(login.user, login.written);
    EXPECT_EQ(OpenCode(text), "none") << login.user << " with PWD=" << login.written << "\n" << FreshErrors();
    EXPECT_EQ(FreshErrors().find(login.user == server->oddUser ? odd : bare), std::string::npos);
  }
}

// A quoted value is data, whatever it looks like: one written as braces and more pairs must not
// reach the driver as those pairs, which here would log in and switch the database.
TEST_P(OdbcServerFailures, AQuotedValueNeverBecomesMorePairs) {
  const TestServer* server = RequireServer(engine().server);
  if (server == nullptr) return;
  const std::string other = engine().server == "pg" ? "postgres" : "information_schema";
  const std::string injected = "'{" + server->password + "};Database=" + other + ";X={}'";
  const std::string code = OpenCode(server->ConnectionStringAs(server->user, injected));
  EXPECT_NE(code, "none") << "the quoted text is the password, and it is the wrong one";
  EXPECT_EQ(fresh_->State(), access::kStateClosed);
  // Ill-formed braces are refused before any driver sees them, and the value is not repeated.
  EXPECT_EQ(OpenCode(server->ConnectionStringAs(server->user, "{" + server->password + "}x")),
            Hex(access::kProviderFailed));
  EXPECT_NE(FreshErrors().find("PWD"), std::string::npos) << FreshErrors();
  EXPECT_EQ(FreshErrors().find(server->password), std::string::npos) << FreshErrors();
}

TEST_P(OdbcServerFailures, APortWhereNothingListensFailsAtOnce) {
  Listener closed;
  closed.Close();
  EXPECT_EQ(OpenCode(ServerString(closed.Port())), Hex(access::kProviderFailed));
  EXPECT_NE(FreshErrors(), "");
}

TEST_P(OdbcServerFailures, AServerThatNeverAnswersFailsWhenTheLoginTimeoutRunsOut) {
  Listener silent;
  EXPECT_EQ(OpenCode(ServerString(silent.Port(), "Connect Timeout=1")), Hex(access::kProviderFailed));
  EXPECT_EQ(fresh_->State(), access::kStateClosed);
  EXPECT_NE(FreshErrors(), "");
}

TEST_P(OdbcServerFailures, AStatementAfterTheServerStoppedFailsAndAnOpenAfterItsRestartWorks) {
  EXPECT_EQ(access_probe::RestOfRows(*Query("SELECT 1")), "1\n");
  StoppedServer server(engine().server);
  ASSERT_TRUE(server.Stopped());
  EXPECT_EQ(QueryCode("SELECT 2"), Hex(access::kProviderFailed));
  EXPECT_NE(ErrorsText(), "");
  EXPECT_TRUE(connection_->IsLost()) << ErrorsText();
  EXPECT_EQ(OpenCode(connectionString_), Hex(access::kProviderFailed)) << "while it is down";

  ASSERT_TRUE(server.Start());
  connection_->Close();
  connection_->Open(connectionString_, "", "", 0);
  EXPECT_EQ(access_probe::RestOfRows(*Query("SELECT 3")), "3\n");
}

// Stopped while a result is read: once the rows the client holds run out, every call that needs the
// server reports it (on PostgreSQL psqlODBC fetches 1000 rows at a time, and libpq reads what the
// socket holds, so the result is made larger than loopback's socket buffers can carry and the stop
// shows mid-result; MariaDB's driver holds the whole result and shows it only at the next
// statement). After the restart a new open works.
TEST_P(OdbcServerFailures, AServerStoppedMidResultIsReportedOnEveryLaterCallAndReopensAfterARestart) {
  const int count = engine().server == "pg" ? 2000000 : 5000;
  Ref<Recordset> rows = Query(engine().numbers(count));
  ASSERT_FALSE(rows->Eof());
  StoppedServer server(engine().server);
  ASSERT_TRUE(server.Stopped());
  std::string code = "none";
  for (int moved = 0; moved <= count && code == "none" && !rows->Eof(); ++moved)
    code = Raised([&] { rows->MoveNext(); });
  if (engine().server == "pg") {
    EXPECT_EQ(code, Hex(access::kProviderFailed)) << "the rows past the first block need the server";
    EXPECT_EQ(Raised([&] { rows->MoveNext(); }), code) << "and so does every later move";
    EXPECT_EQ(Raised([&] { rows->RecordCount(); }), code);
  }
  EXPECT_EQ(QueryCode("SELECT 2"), Hex(access::kProviderFailed));
  EXPECT_EQ(QueryCode("SELECT 3"), Hex(access::kProviderFailed)) << "the next statement is reported too";
  EXPECT_TRUE(connection_->IsLost()) << ErrorsText();
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(OpenCode(connectionString_), "none");
  fresh_->Close();
}

TEST_P(OdbcServerFailures, InterruptCancelsARunningStatement) {
  std::atomic<bool> finished{false};
  std::string code;
  std::thread worker([&] {
    code = QueryCode(FactsOf(engine()).longQuery);
    finished.store(true);
  });
  // An interrupt that comes before the statement runs is lost, so it is repeated until it lands.
  while (!finished.load()) {
    connection_->Interrupt();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  worker.join();
  EXPECT_EQ(code, Hex(access::kCancelled)) << ErrorsText();
  EXPECT_EQ(access_probe::RestOfRows(*Query("SELECT 1")), "1\n") << "the connection stays usable";
}

INSTANTIATE_TEST_SUITE_P(Odbc, OdbcServerFailures,
                         testing::Values(&PostgresEngine(), &PostgresNativeEngine(), &MariadbEngine(),
                                         &MariadbNativeEngine()),
                         EngineName);

// COPY to or from the client has no place in this program: through libpq it is refused, the copy
// ended on the server, and the connection goes on.
class PostgresNativeCopy : public OdbcEngineTest {};

TEST_P(PostgresNativeCopy, IsRefusedAndTheConnectionGoesOn) {
  Query("CREATE TEMPORARY TABLE ql_copied (x INTEGER)");
  EXPECT_EQ(QueryCode("COPY (SELECT generate_series(1, 100000)) TO STDOUT"), Hex(access::kNotSupported));
  EXPECT_EQ(QueryCode("COPY ql_copied FROM STDIN"), Hex(access::kNotSupported));
  EXPECT_EQ(access_probe::RestOfRows(*Query("SELECT count(*) FROM ql_copied")), "0\n");
}

INSTANTIATE_TEST_SUITE_P(Native, PostgresNativeCopy, testing::Values(&PostgresNativeEngine()), EngineName);

// What only the PostgreSQL provider over libpq does: lists of hosts, with a time limit for each, and
// a server that stops answering given up within a limit.
class PostgresNativeLinks : public OdbcServerFailures {};

// A host that refuses, or takes the connection and never answers, gives way to the next, by keys and
// by URI; the limit of each is Connect Timeout.
TEST_P(PostgresNativeLinks, AHostListFallsOverToTheNextHost) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  Listener refusing;
  refusing.Close();
  Listener silent;
  const auto keys = [&](const std::string& first, const std::string& second) {
    return "Provider=PostgreSQL;Data Source=127.0.0.1:" + first + ",127.0.0.1:" + second +
           ";Initial Catalog=" + server->database + ";User ID=" + server->user + ";Password=" + server->password +
           ";Connect Timeout=1";
  };
  const auto uri = [&](const std::string& first, const std::string& second) {
    return "postgresql://" + server->user + ":" + server->password + "@127.0.0.1:" + first + ",127.0.0.1:" + second +
           "/" + server->database + "?connect_timeout=1";
  };
  struct Case {
    std::string label;
    std::string connectionString;
    std::string code;
    int seconds;  // the longest the open may take
  };
  const Case cases[] = {
      {"a refusing first port, by keys", keys(refusing.Port(), server->port), "none", 2},
      {"a refusing first port, by URI", uri(refusing.Port(), server->port), "none", 2},
      {"a silent first host, by keys", keys(silent.Port(), server->port), "none", 3},
      {"a silent first host, by URI", uri(silent.Port(), server->port), "none", 3},
      {"every host silent", keys(silent.Port(), silent.Port()), Hex(access::kProviderFailed), 4},
  };
  for (const Case& c : cases) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenCode(c.connectionString), c.code) << c.label << "\n" << FreshErrors();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(c.seconds)) << c.label;
    if (c.code == "none") {
      EXPECT_EQ(access_probe::RestOfRows(*access_probe::Query(fresh_, "SELECT inet_server_port()")),
                server->port + "\n")
          << c.label;
    } else {
      EXPECT_EQ(FreshErrors().find(server->password), std::string::npos) << FreshErrors();
    }
  }
}

// A server whose processes stop (SIGSTOP) still has its connections taken by the kernel, and never
// answers: a cancel request, dropping an unfinished result for the next statement, and setting one
// aside for a listing give up on it within the limit, and the connection is then lost.
TEST_P(PostgresNativeLinks, AHungServerIsGivenUpWithinTheLimit) {
  struct Case {
    std::string label;
    std::function<void(Ref<Recordset>&)> act;
  };
  const Case cases[] = {
      {"Ctrl-C during a statement",
       [this](Ref<Recordset>&) {
         const std::jthread interrupter([this](const std::stop_token& stop) {
           // Until the statement has been sent an interrupt has nothing to stop.
           while (!stop.stop_requested()) {
             connection_->Interrupt();
             std::this_thread::sleep_for(std::chrono::milliseconds(200));
           }
         });
         Query("SELECT pg_sleep(600)");
       }},
      {"a statement replacing an unfinished result",
       [this](Ref<Recordset>& rows) {
         rows->Close();
         Query("SELECT 1");
       }},
      {"a listing beside an unfinished result",
       [this](Ref<Recordset>&) {
         connection_->OpenSchema(access::SchemaKind::kTables, access::Variant::Missing(), access::Variant::Missing());
       }},
  };
  for (const Case& c : cases) {
    connection_ = access_probe::Connect(connectionString_);
    Ref<Recordset> rows = Query("SELECT generate_series(1, 100000000)");
    PausedServer paused("pg");
    ASSERT_TRUE(paused.Paused()) << c.label;
    const auto started = std::chrono::steady_clock::now();
    std::future<std::string> code = std::async(std::launch::async, [&] { return Raised([&] { c.act(rows); }); });
    const bool answered =
        code.wait_for(access::kHungServerLimit + std::chrono::seconds(3)) == std::future_status::ready;
    // Whatever happened, the server runs again, which ends any wait still under way.
    EXPECT_TRUE(paused.Resume()) << c.label;
    EXPECT_TRUE(answered) << c.label << ": no answer within the limit";
    EXPECT_EQ(code.get(), Hex(access::kProviderFailed)) << c.label << "\n" << ErrorsText();
    EXPECT_GE(std::chrono::steady_clock::now() - started, access::kHungServerLimit) << c.label;
    EXPECT_TRUE(connection_->IsLost()) << c.label;
    rows = nullptr;
  }
}

// A long result's rows are read ahead on a thread of their own, a few bounded batches at a time:
// they arrive whole and in order over many batches, whatever uses the connection between two of
// them (each such use stops the reader, the next row starts it again); rows without columns are
// counted; a failure comes after the last row before it; Ctrl-C still stops the statement.
TEST_P(PostgresNativeLinks, RowsReadAheadArriveWholeAndInOrder) {
  constexpr int kRows = 50000;  // many batches: the reader fills its room and waits
  // NULLs, empty texts and texts of several lengths, so that a cell out of place shows.
  const std::string sql =
      "SELECT g, CASE WHEN g % 5 = 0 THEN NULL ELSE repeat('x', g % 7) END AS t "
      "FROM generate_series(1, " +
      std::to_string(kRows) + ") g";
  std::string secondHalf;
  for (int g = kRows / 2 + 1; g <= kRows; ++g) {
    secondHalf += std::to_string(g) + "|" + (g % 5 == 0 ? "<null>" : std::string(g % 7, 'x')) + "\n";
  }
  const struct {
    std::string label;
    std::function<void()> between;  // done every few thousand rows
  } cases[] = {
      {"nothing between the rows", [] {}},
      {"the server's messages taken", [this] { connection_->TakeMessages(); }},
      {"the connection described", [this] { connection_->Describe(); }},
      {"the connection asked whether it is lost", [this] { connection_->IsLost(); }},
  };
  for (const auto& c : cases) {
    Ref<Recordset> rows = Query(sql);
    for (int row = 1; row <= kRows / 2; ++row) {
      if (row % 4999 == 0) c.between();
      rows->MoveNext();
    }
    EXPECT_EQ(access_probe::RestOfRows(*rows), secondHalf) << c.label;
  }
  EXPECT_EQ(Query("SELECT FROM generate_series(1, 30000)")->RecordCount(), 30000) << "rows without columns";
  Ref<Recordset> failing = Query("SELECT 1 / (30000 - g) AS q FROM generate_series(1, 40000) g");
  int reached = 1;
  EXPECT_NE(Raised([&] {
              for (;; ++reached) failing->MoveNext();
            }),
            "none");
  EXPECT_EQ(reached, 29999) << "every row before the failing one";
  EXPECT_NE(ErrorsText().find("division by zero"), std::string::npos) << ErrorsText();
  // Ctrl-C while the rows are read ahead reaches the server, and the connection goes on.
  Ref<Recordset> endless = Query("SELECT generate_series(1, 100000000)");
  int moves = 0;
  EXPECT_NE(Raised([&] {
              for (; moves < 10000000; ++moves) {
                if (moves % 10000 == 0) connection_->Interrupt();
                endless->MoveNext();
              }
            }),
            "none")
      << "still reading after " << moves << " rows";
  EXPECT_NE(ErrorsText().find("(SQLSTATE 57014)"), std::string::npos) << ErrorsText();
  EXPECT_EQ(access_probe::RestOfRows(*Query("SELECT 1")), "1\n");
}

INSTANTIATE_TEST_SUITE_P(Native, PostgresNativeLinks, testing::Values(&PostgresNativeEngine()), EngineName);

}  // namespace

}  // namespace ql
