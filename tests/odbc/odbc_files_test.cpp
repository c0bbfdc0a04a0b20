// Connecting through ODBC writes no file: Debian's psqlODBC configuration turns on a communication
// log in /tmp, which the provider keeps closed unless the connection string asks for it. Each test
// runs in a process of its own under ctest, as the driver's logging state lasts as long as the
// process.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "odbc_engine.h"
#include "probes/access_probe.h"
#include "test_servers.h"

namespace ql {

namespace {

namespace fs = std::filesystem;

std::set<std::string> TmpEntries() {
  std::set<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator("/tmp", error)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Entries of /tmp made since `before` that a driver or the driver manager would write: named with
// this process's id (psqlODBC's logs), or the usual trace files. Other processes' new files in the
// shared /tmp do not count.
std::string NewDriverFiles(const std::set<std::string>& before) {
  const std::string pid = std::to_string(::getpid());
  std::string found;
  for (const std::string& name : TmpEntries()) {
    if (before.count(name) != 0) continue;
    if (name.find(pid) != std::string::npos || name == "sql.log" || name == "maodbc.log" ||
        name.starts_with("psqlodbc_") || name.starts_with("mylog_")) {
      found += name + "\n";
    }
  }
  return found;
}

// Opens, runs a statement that works and one that fails, and closes.
void UseConnection(const std::string& connectionString) {
  access::Ref<access::Connection> connection = access_probe::Connect(connectionString);
  access_probe::Query(connection, "SELECT 1");
  EXPECT_NE(access_probe::Raised([&] { access_probe::Query(connection, "SELEC 1"); }), "none");
  connection->Close();
}

// psqlODBC writes its last lines when the process's last connection to it closes, so the test opens
// no connection before its own.
class OdbcFiles : public OdbcEngineTest {
 protected:
  OdbcFiles() { openInSetUp_ = false; }
};

TEST_P(OdbcFiles, ConnectingQueryingAndFailingLeaveNoFileInTmp) {
  const std::set<std::string> before = TmpEntries();
  UseConnection(connectionString_);
  EXPECT_EQ(NewDriverFiles(before), "");
}

INSTANTIATE_TEST_SUITE_P(Odbc, OdbcFiles, testing::Values(&PostgresEngine(), &MariadbEngine(), &SqliteOdbcEngine()),
                         EngineName);

TEST(OdbcFilesPostgres, AConnectionByDsnLeavesNoLogEither) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  testsupport::TemporaryDirectory directory;
  const std::string ini = directory.File("odbc.ini");
  std::ofstream(ini) << "[ql_test_pg]\nDriver=" << server->driver << "\nServername=" << server->host
                     << "\nPort=" << server->port << "\nDatabase=" << server->database << "\n";
  ::setenv("ODBCINI", ini.c_str(), 1);
  const std::set<std::string> before = TmpEntries();
  UseConnection("DSN=ql_test_pg;UID=" + server->user + ";PWD=" + server->password);
  EXPECT_EQ(NewDriverFiles(before), "");
  ::unsetenv("ODBCINI");
}

}  // namespace

}  // namespace ql
