#include "test_servers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <utility>

#include "support/under_ci.h"

namespace ql {

namespace {

using Settings = std::map<std::string, std::string>;

// KEY=VALUE lines of a file of the server script's, added to `settings`.
void ReadSettingsFile(const std::string& name, Settings& settings) {
  std::ifstream file(std::string(QL_TEST_SERVERS_DIR) + "/" + name);
  std::string line;
  while (std::getline(file, line)) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) settings[line.substr(0, equals)] = line.substr(equals + 1);
  }
}

// servers.env, and the logins of logins.env; empty when servers.env is not there.
Settings ReadSettings() {
  Settings settings;
  ReadSettingsFile("servers.env", settings);
  if (!settings.empty()) ReadSettingsFile("logins.env", settings);
  return settings;
}

void SkipOrFail(const std::string& why) {
  if (testsupport::UnderCi()) {
    GTEST_FAIL() << why << " (under CI every server must run)";
  }
  GTEST_SKIP() << why;
}

std::string Quoted(const std::string& value) { return "{" + value + "}"; }

}  // namespace

std::string TestServer::ConnectionString(const std::string& extra) const {
  return ConnectionStringWithPassword(password, extra);
}

std::string TestServer::NativeConnectionString(const std::string& secret, const std::string& extra) const {
  std::string text = NativeConnectionStringAs(user, secret);
  if (!extra.empty()) text += ";" + extra;
  return text;
}

std::string TestServer::NativeConnectionStringAs(const std::string& otherUser,
                                                 const std::string& writtenPassword) const {
  return std::string("Provider=") + (name == "pg" ? "PostgreSQL" : "MariaDB") + ";Data Source=" + host + "," + port +
         ";Initial Catalog=" + database + ";User ID=" + otherUser + ";Password=" + writtenPassword;
}

std::string TestServer::Uri() const {
  return (name == "pg" ? "postgresql://" : "mariadb://") + user + ":" + password + "@" + host + ":" + port + "/" +
         database;
}

std::string TestServer::ConnectionStringWithPassword(const std::string& secret, const std::string& extra) const {
  std::string text = "Driver=" + Quoted(driver) + ";Server=" + host + ";Port=" + port + ";Database=" + database +
                     ";UID=" + user + ";PWD=" + secret;
  if (!extra.empty()) text += ";" + extra;
  return text;
}

std::string TestServer::ConnectionStringAs(const std::string& otherUser, const std::string& writtenPassword) const {
  return "Driver=" + Quoted(driver) + ";Server=" + host + ";Port=" + port + ";Database=" + database +
         ";UID=" + otherUser + ";PWD=" + writtenPassword;
}

const TestServer* RequireServer(const std::string& name) {
  static std::map<std::string, std::unique_ptr<TestServer>> known;
  if (auto found = known.find(name); found != known.end()) return found->second.get();
  const Settings settings = ReadSettings();
  if (settings.empty()) {
    SkipOrFail("the test servers are not set up: run the tests through ctest, which starts them (" +
               std::string(QL_TEST_SERVERS_DIR) + "/servers.env is missing)");
    return nullptr;
  }
  std::string prefix = name == "pg" ? "PG_" : "MARIADB_";
  const auto value = [&](const std::string& key) {
    auto found = settings.find(prefix + key);
    return found == settings.end() ? std::string() : found->second;
  };
  if (value("STATUS") != "ready") {
    SkipOrFail(name + " is not available: " + value("STATUS"));
    return nullptr;
  }
  auto server = std::make_unique<TestServer>(TestServer{name, name == "pg" ? "PostgreSQL Unicode" : "MariaDB Unicode",
                                                        value("HOST"), value("PORT"), value("DATABASE"), value("USER"),
                                                        value("PASSWORD"), value("ODD_USER"), value("ODD_PASSWORD"),
                                                        value("BARE_USER"), value("BARE_PASSWORD")});
  return (known[name] = std::move(server)).get();
}

bool ControlServer(const std::string& action, const std::string& name) {
  const std::string command =
      "bash '" + std::string(QL_TEST_SERVERS_SCRIPT) + "' " + action + " '" + QL_TEST_SERVERS_DIR + "' " + name;
  return std::system(command.c_str()) == 0;
}

StoppedServer::StoppedServer(std::string name) : name_(std::move(name)) { stopped_ = ControlServer("stop", name_); }

StoppedServer::~StoppedServer() { Start(); }

bool StoppedServer::Start() {
  if (stopped_) stopped_ = !ControlServer("start", name_);
  return !stopped_;
}

PausedServer::PausedServer(std::string name) : name_(std::move(name)) { paused_ = ControlServer("pause", name_); }

PausedServer::~PausedServer() { Resume(); }

bool PausedServer::Resume() {
  if (paused_) paused_ = !ControlServer("resume", name_);
  return !paused_;
}

std::string SqliteOdbcConnectionString(const std::string& file) { return "Driver={SQLite3};Database=" + file; }

}  // namespace ql
