// Sessions through the built program against the test servers, typed on a pipe as a script would
// type them: opening by driver and by data source, every command, every value type as `record`
// shows it, and failures with their reports, down to a server that stops in the middle of a session
// and comes back.

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "odbc_engine.h"
#include "support/child_process.h"
#include "support/run_program.h"
#include "support/temporary_directory.h"
#include "support/transcript.h"
#include "support/unused_port.h"
#include "test_servers.h"

namespace ql {

namespace {

using testsupport::ProgramOptions;
using testsupport::ProgramRun;

const std::string kSeparator = std::string(79, '-') + "\n";

// Lines typed in one go; `action` ("stop" or "start" the engine's server) runs before them, once
// the program has answered every line typed so far.
struct Turn {
  std::string action;
  std::string lines;
};

// A session and the output it must give, up to the closing lines.
struct SessionCase {
  std::string label;
  std::vector<Turn> turns;
  std::string expected;
};

// Reads the program's output until it ends with `awaited`; false when the program closed its output
// or `seconds` ran out first (a guard against a hang, not a measurement).
bool ReadUntil(int fd, const std::string& awaited, std::string& output, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!output.ends_with(awaited)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[4096];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got <= 0) return false;
    output.append(chunk, static_cast<std::size_t>(got));
  }
  return true;
}

// Runs the turns in one program. Between two turns the program is sent `about`, whose notice and
// prompt show that every earlier line has been answered; that exchange is left out of the output.
ProgramRun RunTurns(const std::vector<Turn>& turns, const std::string& server, const ProgramOptions& options) {
  const std::optional<testsupport::StartedProgram> started = testsupport::StartProgram(options);
  if (!started) return {};
  const std::string sync = testsupport::kNotice + "-";
  std::string before;
  std::optional<StoppedServer> stopped;
  std::string last = turns.empty() ? "" : turns.back().lines;
  for (std::size_t next = 0; next + 1 < turns.size(); ++next) {
    const std::string typed = turns[next].lines + "about\n";
    if (::write(started->channels.input, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size()) ||
        !ReadUntil(started->channels.output, sync, before, options.timeoutSeconds)) {
      ADD_FAILURE() << "no answer to turn " << next << ":\n" << before;
      last.clear();
      break;
    }
    before.resize(before.size() - sync.size());
    const std::string& action = turns[next + 1].action;
    if (action == "stop") {
      stopped.emplace(server);
      EXPECT_TRUE(stopped->Stopped()) << "cannot stop " << server;
    } else if (action == "restart") {
      EXPECT_TRUE(ControlServer("stop", server) && ControlServer("start", server)) << "cannot restart " << server;
    } else if (action == "start") {
      EXPECT_TRUE(stopped && stopped->Start()) << "cannot start " << server << " again";
    }
  }
  ProgramRun run = testsupport::Supervise(started->pid, last, started->channels, options);
  run.output = before + run.output;
  return run;
}

// MariaDB's version stamps, "[ma-3.1.15]" and "[10.11.6-MariaDB-0+deb12u1]", as "[ma]" and "[server]".
std::string WithoutVersionStamps(std::string text) {
  for (std::size_t open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
    const std::size_t close = text.find(']', open);
    if (close == std::string::npos) break;
    const std::string_view stamp(text.data() + open + 1, close - open - 1);
    const char* name = stamp.starts_with("ma-")                           ? "ma"
                       : stamp.find("-MariaDB") != std::string_view::npos ? "server"
                                                                          : nullptr;
    if (name != nullptr) text.replace(open + 1, stamp.size(), name);
  }
  return text;
}

// Each run of "NAME [SYSTEM TABLE]" lines as one line "<system tables>", after the prompts before
// it: the catalogue's tables change with the server's release.
std::string WithSystemTablesCollapsed(const std::string& text) {
  std::string result;
  bool inRun = false;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start)) {
    const std::string_view line(text.data() + start, end - start);
    const bool system = line.ends_with(" [SYSTEM TABLE]");
    if (!system) {
      result.append(line);
      result += '\n';
    } else if (!inRun) {
      result.append(line.substr(0, line.find_first_not_of('-')));
      result += "<system tables>\n";
    }
    inRun = system;
  }
  return result + text.substr(start);
}

// The output up to the closing lines, after a run that ended with them, exit code 0 and nothing on
// standard error. MariaDB's version stamps in its messages are given fixed names, as they change
// with the server's release.
std::string Transcript(const std::vector<Turn>& turns, const std::string& server, const ProgramOptions& options = {}) {
  return WithoutVersionStamps(testsupport::Transcript(RunTurns(turns, server, options)));
}

std::string Open(const std::string& connectionString) { return "open \"" + connectionString + "\"\n"; }

using testsupport::Report;

// `count` on the recordset a failed statement left closed: the connection's errors, each on its own
// line, then the report of the count itself.
std::string FailedCount(const std::string& number, const std::string& description) {
  return "\t Error number: " + number + "\t" + description + "\n" +
         Report(203, "800a0e78", "Unknown error 0x800A0E78", "Recordset",
                "The operation is not allowed while the object is closed.") +
         "0 record(s) in current recordset.\n";
}

// A row of every type and a row of NULLs, in statements of at most 15 words (the most a line of
// the program takes).
std::string TypesScript(const std::string& blobType, const std::string& timestampType, const std::string& blob) {
  return "sql \"create table ql_types(s smallint,i integer,small bigint,big bigint,n numeric(10,2),r real)\"\n"
         "sql \"alter table ql_types add d double precision,add b boolean,add dt date,add ts " +
         timestampType +
         "\"\n"
         "sql \"alter table ql_types add t text,add bin " +
         blobType +
         "\"\n"
         "sql \"insert into ql_types values(-5,2147483647,7,30000000000,12.5,0.25,2.5,true,'2003-10-01',"
         "'2004-03-02 14:05:09','gr\xC3\xBC\xC3\x9F"
         "e\xE2\x9C\x93\xF0\x9F\x98\x80'," +
         blob +
         ")\"\n"
         "sql \"insert into ql_types(s) values(1)\"\n";
}

// What `record` and `t` show of the two rows; `boolean` is how the engine keeps a boolean.
std::string TypesRecords(const std::string& boolean) {
  return "s               -5\n"
         "i               2147483647\n"
         "small           7\n"
         "big             30000000000\n"
         "n               12.500000\n"
         "r               0.250000\n"
         "d               2.500000\n"
         "b               " +
         boolean +
         "\n"
         "dt              2003/10/1 0:0:0\n"
         "ts              2004/3/2 14:5:9\n"
         "t               \"gr\xC3\xBC\xC3\x9F"
         "e\xE2\x9C\x93\xF0\x9F\x98\x80\"\n"
         "bin             <Binary>\n" +
         kSeparator +
         "-s               1\n"
         "i               <NULL>\nsmall           <NULL>\nbig             <NULL>\nn               <NULL>\n"
         "r               <NULL>\nd               <NULL>\nb               <NULL>\ndt              <NULL>\n"
         "ts              <NULL>\nt               <NULL>\nbin             <NULL>\n" +
         kSeparator;
}

const std::string kCommands =
    "table\nsql \"select * from ql_types order by s\"\nrecord\nt\nt\ncount\ndb\nclose\nrecord\n";

// The rows of ql_types (made by TypesScript) as `Rows` shows them: numbers to the right, dates as
// the record display has them, a text without its quotes and measured by the columns it takes.
const std::string kRowsCommands = "sql \"select s,big,n,r,dt,ts,t,bin from ql_types order by s\"\nRows all\n";
const std::string kRowsTable =
    " s |         big |         n |        r | dt              | ts              | t        | bin\n"
    "---+-------------+-----------+----------+-----------------+-----------------+----------+---------\n"
    "-5 | 30000000000 | 12.500000 | 0.250000 | 2003/10/1 0:0:0 | 2004/3/2 14:5:9 | gr\xC3\xBC\xC3\x9F"
    "e\xE2\x9C\x93\xF0\x9F\x98\x80 | <Binary>\n"
    " 1 |      <NULL> |    <NULL> |   <NULL> | <NULL>          | <NULL>          | <NULL>   | <NULL>\n"
    "(2 rows)\n";
const std::string kRecordAfterClose = Report(145, "800a0e78", "Unknown error 0x800A0E78", "Recordset",
                                             "The operation is not allowed while the object is closed.");

// What differs between the engines' sessions: the SQL of the value table, how a boolean shows, the
// driver's texts, and the tables `table` and the catalogs `db` list.
struct EngineSessions {
  std::string blobType;
  std::string timestampType;
  std::string blobLiteral;
  std::string boolean;
  std::string serverKey;      // the data source's key for the server's host
  std::string emptyDatabase;  // lines that leave the test database empty
  std::string tables;         // what `table` lists once ql_types exists
  std::string catalogs;       // what `db` lists
  std::string library;        // the source of a statement's failure
  // The driver's descriptions of a syntax error in "selec 1", a missing table `nowhere`, a second
  // row with the key 1 in ql_keys, and a statement on a connection whose server stopped.
  std::string syntaxError;
  std::string missingTable;
  std::string duplicateKey;
  std::string serverGone;
  // Codes and descriptions of a login refused and of a port where nothing listens, for the port.
  std::string wrongPasswordCode;
  std::string (*wrongPassword)(const std::string& port);
  std::string (*refused)(const std::string& port);
};

const EngineSessions& SessionsOf(const std::string& server) {
  static const EngineSessions postgres{
      "bytea",
      "timestamp",
      "'\\x00ff10'",
      "True",
      "Servername",
      "sql \"drop schema public cascade\"\nsql \"create schema public\"\n",
      "ql_types [TABLE]\n",
      "qltest\n",
      "psqlodbcw.so",
      "ERROR: syntax error at or near \"selec\"; Error while executing the query (SQLSTATE 42601)",
      "ERROR: relation \"nowhere\" does not exist; Error while executing the query (SQLSTATE 42P01)",
      "ERROR: duplicate key value violates unique constraint \"ql_keys_pkey\" DETAIL: Key (id)=(1) already "
      "exists.; Error while executing the query (SQLSTATE 23505)",
      "FATAL: terminating connection due to administrator command; The connection has been lost (SQLSTATE 57P01)",
      "80004005",
      [](const std::string& port) {
        return "connection to server at \"127.0.0.1\", port " + port +
               " failed: FATAL:  password authentication failed for user \"qluser\" (SQLSTATE 08001)";
      },
      [](const std::string& port) {
        return "connection to server at \"127.0.0.1\", port " + port +
               " failed: Connection refused Is the server running on that host and accepting TCP/IP connections? "
               "(SQLSTATE 08001)";
      },
  };
  static const EngineSessions mariadb{
      "blob",
      "datetime",
      "x'00ff10'",
      "1",
      "Server",
      "sql \"drop database qltest\"\nsql \"create database qltest character set utf8mb4\"\n",
      "ql_types [TABLE]\n",
      "information_schema\nqltest\n",
      "libmaodbc.so",
      "[ma][server]You have an error in your SQL syntax; check the manual that corresponds to your MariaDB server "
      "version for the right syntax to use near 'selec 1' at line 1 (SQLSTATE 42000)",
      "[ma][server]Table 'qltest.nowhere' doesn't exist (SQLSTATE 42S02)",
      "[ma][server]Duplicate entry '1' for key 'PRIMARY' (SQLSTATE 23000)",
      "[ma][server]Write error: Broken pipe (32) (SQLSTATE HY000)",
      "80040e4d",
      [](const std::string&) {
        return std::string("[ma]Access denied for user 'qluser'@'127.0.0.1' (using password: YES) (SQLSTATE 28000)");
      },
      [](const std::string&) {
        return std::string("[ma]Can't connect to server on '127.0.0.1' (115) (SQLSTATE HY000)");
      },
  };
  return server == "pg" ? postgres : mariadb;
}

std::vector<SessionCase> Sessions(const TestServer& server, const std::string& unusedPort) {
  const EngineSessions& engine = SessionsOf(server.name);
  const std::string open = Open(server.ConnectionString());
  const auto statementFailed = [&](const std::string& code, const std::string& meaning, const std::string& text) {
    return Report(442, code, meaning, engine.library, text) + "-" + FailedCount(code, text);
  };
  const auto openFailed = [&](const std::string& code, const std::string& meaning, const std::string& text) {
    return Report(101, code, meaning, server.driver, text);
  };
  TestServer unreachable = server;
  unreachable.port = unusedPort;
  return {
      {"every command and value type",
       {{"", open + TypesScript(engine.blobType, engine.timestampType, engine.blobLiteral) + kCommands}},
       "-------" + engine.tables + "--" + TypesRecords(engine.boolean) + "--2 record(s) in current recordset.\n-" +
           engine.catalogs + "--" + kRecordAfterClose + "-"},
      // On the table the case before made.
      {"the rows of every value type as a table", {{"", open + kRowsCommands}}, "---" + kRowsTable + "-"},
      {"statements the server refuses",
       {{"", open + "sql \"selec 1\"\ncount\nsql \"select * from nowhere\"\ncount\n"
                    "sql \"create temporary table ql_keys(id int primary key)\"\n"
                    "sql \"insert into ql_keys values(1),(1)\"\ncount\n"}},
       "--" + statementFailed("80040e14", "IDispatch error #3092", engine.syntaxError) + "-" +
           statementFailed("80040e37", "IDispatch error #3127", engine.missingTable) + "--" +
           statementFailed("80040e2f", "IDispatch error #3119", engine.duplicateKey) + "-"},
      {"logins that fail",
       {{"", Open(server.ConnectionStringWithPassword("not-the-Password-42")) + Open(unreachable.ConnectionString())}},
       std::string("-").append(
           openFailed(engine.wrongPasswordCode,
                      engine.wrongPasswordCode == "80004005" ? "Unspecified failure." : "IDispatch error #3149",
                      engine.wrongPassword(server.port))) +
           "-" + openFailed("80004005", "Unspecified failure.", engine.refused(unusedPort)) + "-"},
      {"a server that stops mid-session and comes back",
       {{"", open + "sql \"select 1 as n\"\nrecord\n"},
        {"stop", "sql \"select 2 as n\"\ncount\n" + open},
        {"start", open + "sql \"select 3 as n\"\nrecord\n"}},
       // The link lost, the connection is opened again at once, and that fails too while the server
       // is down: the lost connection stays held, and is not opened again until `open` is typed.
       "---n               1\n" + kSeparator + "-" +
           Report(442, "80004005", "Unspecified failure.", engine.library, engine.serverGone) +
           openFailed("80004005", "Unspecified failure.", engine.refused(server.port)) + "-" +
           FailedCount("80004005", engine.serverGone) + "-" +
           openFailed("80004005", "Unspecified failure.", engine.refused(server.port)) + "---n               3\n" +
           kSeparator + "-"},
  };
}

class OdbcSessions : public OdbcEngineTest {
 protected:
  OdbcSessions() { openInSetUp_ = false; }
};

TEST_P(OdbcSessions, ScriptsGiveTheirTranscripts) {
  const TestServer* server = RequireServer(engine().server);
  if (server == nullptr) return;
  const testsupport::UnusedPort unused;
  const std::string& emptyDatabase = SessionsOf(server->name).emptyDatabase;
  ASSERT_EQ(Transcript({{"", Open(server->ConnectionString()) + emptyDatabase}}, server->name),
            std::string(2 + std::count(emptyDatabase.begin(), emptyDatabase.end(), '\n'), '-'));
  for (const SessionCase& c : Sessions(*server, std::to_string(unused.Port()))) {
    EXPECT_EQ(Transcript(c.turns, server->name), c.expected) << c.label;
  }
}

// A data source in an odbc.ini of the test's own, named by DSN and by the MSDASQL provider's keys.
TEST_P(OdbcSessions, ADataSourceOpensByItsNameAndThroughMsdasql) {
  const TestServer* server = RequireServer(engine().server);
  if (server == nullptr) return;
  const testsupport::TemporaryDirectory directory;
  const std::string ini = directory.File("odbc.ini");
  std::ofstream(ini) << "[ql_session]\nDriver=" << server->driver << "\n"
                     << SessionsOf(server->name).serverKey << "=" << server->host << "\nPort=" << server->port
                     << "\nDatabase=" << server->database << "\n";
  ProgramOptions options;
  options.environment["ODBCINI"] = ini;
  const std::vector<Turn> session{
      {"",
       Open("DSN=ql_session;UID=" + server->user + ";PWD=" + server->password) + "sql \"select 1 as n\"\nrecord\n" +
           Open("Provider=MSDASQL;Data Source=ql_session;User ID=" + server->user + ";Password=" + server->password) +
           "sql \"select 2 as n\"\nrecord\nclose\n"}};
  EXPECT_EQ(Transcript(session, server->name, options),
            "---n               1\n" + kSeparator + "---n               2\n" + kSeparator + "--");
}

INSTANTIATE_TEST_SUITE_P(Odbc, OdbcSessions, testing::Values(&PostgresEngine(), &MariadbEngine()), EngineName);

// The SQLite ODBC driver, which needs no server: its values, and a `db` it cannot answer.
TEST(OdbcSqliteSession, ValuesShowAndDbSaysItCannotListDatabases) {
  const testsupport::TemporaryDirectory directory;
  const std::string script =
      Open(SqliteOdbcConnectionString(directory.File("session.db"))) +
      "sql \"create table ql_types(i integer,big bigint,d double,b boolean,dt date,ts timestamp,t text,bin blob)\"\n"
      "sql \"insert into ql_types values(-5,30000000000,2.5,1,'2003-10-01','2004-03-02 14:05:09','gr\xC3\xBC\xC3\x9F"
      "e',x'00ff')\"\n"
      "sql \"insert into ql_types(i) values(null)\"\n"
      "table\nsql \"select * from ql_types\"\nrecord\nt\ndb\n";
  EXPECT_EQ(Transcript({{"", script}}, ""),
            "-----ql_types [TABLE]\n--"
            "i               -5\nbig             30000000000\nd               2.500000\n"
            "b               True\ndt              2003/10/1 0:0:0\nts              2004/3/2 14:5:9\n"
            "t               \"gr\xC3\xBC\xC3\x9F"
            "e\"\nbin             <Binary>\n" +
                kSeparator +
                "-i               <NULL>\nbig             <NULL>\nd               <NULL>\nb               <NULL>\n"
                "dt              <NULL>\nts              <NULL>\nt               <NULL>\nbin             <NULL>\n" +
                kSeparator + "-Not support list datebases!\n-");
}

// PostgreSQL through libpq, opened by keys and by URI: every command and value, the server's own
// texts in failures, a login refused with its SQLSTATE and without its password, the databases
// that `db` lists.
TEST(PostgresNativeSession, ScriptsGiveTheirTranscripts) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  const EngineSessions& engine = SessionsOf("pg");
  const std::string open = Open(server->NativeConnectionString(server->password));
  const auto report = [](int tag, const std::string& code, const std::string& meaning, const std::string& text) {
    return Report(tag, code, meaning, "PostgreSQL", text);
  };
  const auto statementFailed = [&](const std::string& code, const std::string& meaning, const std::string& text) {
    return report(442, code, meaning, text) + "-" + FailedCount(code, text);
  };
  const SessionCase cases[] = {
      {"every command and value type, by keys",
       {{"", open + engine.emptyDatabase + TypesScript(engine.blobType, engine.timestampType, engine.blobLiteral) +
                 kCommands}},
       "---------ql_types [TABLE]\n<system tables>\n--" + TypesRecords(engine.boolean) +
           "--2 record(s) in current recordset.\n-postgres\nqltest\ntemplate1\n--" + kRecordAfterClose + "-"},
      // On the table the case before made.
      {"the rows of every value type as a table", {{"", open + kRowsCommands}}, "---" + kRowsTable + "-"},
      // A result left after its first row is cancelled, and the connection goes on.
      {"a URI, as it stands",
       {{"", Open(server->Uri() + "?application_name=ql%20test") +
                 "sql \"select generate_series(1, 100000000) as n\"\nrecord\n"
                 "sql \"select current_setting('application_name') as app\"\nrecord\n"}},
       "---n               1\n" + kSeparator + "--app             \"ql test\"\n" + kSeparator + "-"},
      // A result replaced before its end after a statement that ran in the same text: that
      // statement's work stays, as the server keeps the text's statements in one transaction.
      {"a replaced result keeps the work done before it",
       {{"", open + "sql \"create temporary table ql_kept(n int)\"\n"
                    "sql \"insert into ql_kept values(1); select generate_series(1, 300000) as n\"\nrecord\n"
                    "sql \"select count(*) as kept from ql_kept\"\nrecord\n"}},
       "----n               1\n" + kSeparator + "--kept            1\n" + kSeparator + "-"},
      {"statements the server refuses",
       {{"", open + "sql \"selec 1\"\ncount\nsql \"select * from nowhere\"\ncount\n"
                    "sql \"create temporary table ql_keys(id int primary key)\"\n"
                    "sql \"insert into ql_keys values(1),(1)\"\ncount\n"}},
       "--" +
           statementFailed("80040e14", "IDispatch error #3092", "syntax error at or near \"selec\" (SQLSTATE 42601)") +
           "-" +
           statementFailed("80040e37", "IDispatch error #3127",
                           "relation \"nowhere\" does not exist (SQLSTATE 42P01)") +
           "--" +
           statementFailed("80040e2f", "IDispatch error #3119",
                           "duplicate key value violates unique constraint \"ql_keys_pkey\" DETAIL: Key (id)=(1) "
                           "already exists. (SQLSTATE 23505)") +
           "-"},
      {"a login refused",
       {{"", Open(server->NativeConnectionString("not-the-Password-42")) + "open \"Provider=PostgreSQL;Bogus=1\"\n"}},
       "-" +
           report(101, "80040e4d", "IDispatch error #3149",
                  "password authentication failed for user \"qluser\" (SQLSTATE 28P01)") +
           "-" +
           report(101, "80004005", "Unspecified failure.", "\"Bogus\" is not a connection setting PostgreSQL knows.") +
           "-"},
  };
  for (const SessionCase& c : cases) {
    EXPECT_EQ(WithSystemTablesCollapsed(Transcript(c.turns, "pg")), c.expected) << c.label;
  }
}

// MariaDB through MariaDB Connector/C, opened by keys and by URI: every command and value, the
// server's own texts in failures, results replaced before their end, a login refused with its
// SQLSTATE and without its password.
TEST(MariadbNativeSession, ScriptsGiveTheirTranscripts) {
  const TestServer* server = RequireServer("mariadb");
  if (server == nullptr) return;
  const EngineSessions& engine = SessionsOf("mariadb");
  const std::string open = Open(server->NativeConnectionString(server->password));
  ASSERT_EQ(Transcript({{"", open + engine.emptyDatabase}}, "mariadb"), "----");
  const auto report = [](int tag, const std::string& code, const std::string& meaning, const std::string& text) {
    return Report(tag, code, meaning, "MariaDB", text);
  };
  const auto statementFailed = [&](const std::string& code, const std::string& meaning, const std::string& text) {
    return report(442, code, meaning, text) + "-" + FailedCount(code, text);
  };
  const SessionCase cases[] = {
      {"every command and value type, by keys",
       {{"", open + TypesScript(engine.blobType, engine.timestampType, engine.blobLiteral) + kCommands}},
       "-------" + engine.tables + "--" + TypesRecords(engine.boolean) + "--2 record(s) in current recordset.\n-" +
           engine.catalogs + "--" + kRecordAfterClose + "-"},
      // A result of one statement left after its first row is stopped on the server, at once, and
      // the connection goes on; the URI's parts and options arrive decoded.
      {"a URI, its options, and a result replaced before its end",
       {{"", Open(server->Uri() + "?init-command=SET%20@ql%3D%27ql%20test%27") +
                 "sql \"select seq as n from seq_1_to_1000000000\"\nrecord\n"
                 "sql \"select @ql as app\"\nrecord\n"}},
       "---n               1\n" + kSeparator + "--app             \"ql test\"\n" + kSeparator + "-"},
      // A result replaced before its end in a text of several statements is read to its end, so
      // that the statements after it run.
      {"a replaced result keeps the work of the statements after it",
       {{"", open + "sql \"create temporary table ql_kept(n int)\"\n"
                    "sql \"select seq as n from seq_1_to_300000; insert into ql_kept values(1)\"\nrecord\n"
                    "sql \"select count(*) as kept from ql_kept\"\nrecord\n"}},
       "----n               1\n" + kSeparator + "--kept            1\n" + kSeparator + "-"},
      // A body's ';' are the server's to read: the text is one statement, and so is a CALL whose
      // result is replaced before the procedure's second one.
      {"a function's body and a procedure's results",
       {{"", open + "sql create or replace function ql_f(x text) returns text deterministic begin declare s text "
                    "default 'k'; return s; end\nsql \"select ql_f('x') as r\"\nrecord\n"
                    "sql create or replace procedure ql_p() begin select 1 as a; select 2 as b; end\n"
                    "sql \"call ql_p()\"\nrecord\nsql \"select 3 as c\"\nrecord\n"}},
       "----r               \"k\"\n" + kSeparator + "---a               1\n" + kSeparator + "--c               3\n" +
           kSeparator + "-"},
      {"statements the server refuses",
       {{"", open + "sql \"selec 1\"\ncount\nsql \"select * from nowhere\"\ncount\n"
                    "sql \"create temporary table ql_keys(id int primary key)\"\n"
                    "sql \"insert into ql_keys values(1),(1)\"\ncount\n"}},
       "--" +
           statementFailed("80040e14", "IDispatch error #3092",
                           "You have an error in your SQL syntax; check the manual that corresponds to your MariaDB "
                           "server version for the right syntax to use near 'selec 1' at line 1 (SQLSTATE 42000)") +
           "-" +
           statementFailed("80040e37", "IDispatch error #3127",
                           "Table 'qltest.nowhere' doesn't exist (SQLSTATE 42S02)") +
           "--" +
           statementFailed("80040e2f", "IDispatch error #3119",
                           "Duplicate entry '1' for key 'PRIMARY' (SQLSTATE 23000)") +
           "-"},
      {"logins refused",
       {{"", Open(server->NativeConnectionString("not-the-Password-42")) + "open \"Provider=MySQL;Bogus=1\"\n" +
                 Open("mariadb://" + server->user + ":not-the-Password%4@" + server->host)}},
       "-" +
           report(101, "80040e4d", "IDispatch error #3149",
                  "Access denied for user 'qluser'@'127.0.0.1' (using password: YES) (SQLSTATE 28000)") +
           "-" +
           report(101, "80004005", "Unspecified failure.", "\"Bogus\" is not a connection setting MariaDB knows.") +
           "-" +
           report(101, "80004005", "Unspecified failure.",
                  "The URI holds a '%' that is not followed by two hexadecimal digits; write a '%' as %25.") +
           "-"},
  };
  for (const SessionCase& c : cases) {
    EXPECT_EQ(Transcript(c.turns, "mariadb"), c.expected) << c.label;
  }
}

// A server that stops while a long result is being read, and comes back: the read fails with the
// server's or the library's word for it, and a new connection works once the server is back.
TEST(NativeSession, AServerStoppedMidResultFailsTheReadAndComesBack) {
  const struct {
    std::string server;
    std::string rows;     // a query of 3,000,000 rows, more than the sockets between hold
    std::string refused;  // how the open while the server is down begins its description
  } engines[] = {
      {"pg", "select generate_series(1, 3000000) as n", "> Description = connection to server at"},
      {"mariadb", "select seq as n from seq_1_to_3000000", "> Description = Can't connect to server on"},
  };
  for (const auto& engine : engines) {
    SCOPED_TRACE(engine.server);
    const TestServer* server = RequireServer(engine.server);
    if (server == nullptr) return;
    const std::string open = Open(server->NativeConnectionString(server->password));
    const std::string output = testsupport::Transcript(RunTurns({{"", open + "sql \"" + engine.rows + "\"\nrecord\n"},
                                                                 {"stop", "count\n" + open},
                                                                 {"start", open + "sql \"select 3 as n\"\nrecord\n"}},
                                                                engine.server, {}));
    EXPECT_TRUE(output.starts_with("---n               1\n" + kSeparator)) << output;
    const std::size_t failed = output.find("--------------- Error @203 ---------------\n> Code = 80004005\n");
    ASSERT_NE(failed, std::string::npos) << output;
    const std::size_t refused = output.find(engine.refused, failed);
    ASSERT_NE(refused, std::string::npos) << output;
    EXPECT_TRUE(output.ends_with("---n               3\n" + kSeparator + "-")) << output;
  }
}

// A server restarted between two statements: the second fails, is reported, and is not run again;
// the connection is opened again at once, says so on standard error naming the server, and serves
// the next statement. On every road to PostgreSQL and MariaDB.
TEST(ServerSessions, AStatementAfterARestartIsReportedNotRepeatedAndTheConnectionOpensAgain) {
  struct Road {
    std::string server;
    std::string (*connectionString)(const TestServer& server);
  };
  const auto odbc = [](const TestServer& s) { return s.ConnectionString(); };
  const auto native = [](const TestServer& s) { return s.NativeConnectionString(s.password); };
  const Road roads[] = {{"pg", odbc}, {"pg", native}, {"mariadb", odbc}, {"mariadb", native}};
  for (const Road& road : roads) {
    const TestServer* server = RequireServer(road.server);
    if (server == nullptr) return;
    const std::string open = Open(road.connectionString(*server));
    SCOPED_TRACE(open);
    const ProgramRun run = RunTurns(
        {{"", open + "sql \"drop table if exists ql_once\"\nsql \"create table ql_once(n int)\"\n"},
         {"restart", "sql \"insert into ql_once values(1)\"\nsql \"select count(*) as n from ql_once\"\nrecord\n"}},
        road.server, {});
    const std::string output = testsupport::Transcript(run);
    EXPECT_TRUE(output.starts_with("----" + std::string("--------------- Error @442 ---------------\n"))) << output;
    EXPECT_TRUE(output.ends_with("--n               0\n" + kSeparator + "-")) << output;
    EXPECT_NE(run.errors.find("The connection was lost and has been opened again to " + server->host + ", port " +
                              server->port + ": the command that failed was not run again"),
              std::string::npos)
        << run.errors;
  }
}

// `table` and `db` beside a result still arriving read its rest into the row store, which takes about
// the room of the data, never into libpq's results, which take many times that: a session that
// lists beside 500,000 rows needs no more memory than one that counts them into the store, and the
// result goes on whole after the listings.
TEST(PostgresNativeSession, ListingsBesideAStreamingResultTakeNoMoreMemoryThanCountingIt) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  const std::string start = Open(server->NativeConnectionString(server->password)) +
                            "sql \"select g, md5(g::text) as h from generate_series(1, 500000) g\"\nrecord\n";
  const ProgramRun counted = testsupport::RunProgram(start + "count\n");
  const ProgramRun listed = testsupport::RunProgram(start + "table\ndb\nt\ncount\n");
  ASSERT_NE(counted.peakKilobytes, 0);
  EXPECT_LT(listed.peakKilobytes, counted.peakKilobytes * 3 / 2) << "counted in " << counted.peakKilobytes << " KB";
  EXPECT_NE(listed.output.find("g               2\n"), std::string::npos) << listed.output.substr(0, 2000);
  EXPECT_NE(listed.output.find("500000 record(s) in current recordset.\n"), std::string::npos);
}

}  // namespace

}  // namespace ql
