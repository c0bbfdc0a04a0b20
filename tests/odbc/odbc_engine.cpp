#include "odbc_engine.h"

#include "probes/access_probe.h"
#include "test_servers.h"

namespace ql {

std::string Repeated(const std::string& text, int count) {
  std::string result;
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

namespace {

std::string RecursiveNumbers(int count) {
  return "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < " + std::to_string(count) +
         ") SELECT n FROM c";
}

std::string Pipes(const std::string& left, const std::string& right) { return left + " || " + right; }

}  // namespace

const OdbcEngine& PostgresEngine() {
  static const OdbcEngine engine{
      "PostgreSQL",
      "pg",
      [](int count) { return "SELECT n FROM generate_series(1, " + std::to_string(count) + ") AS s(n)"; },
      [](const std::string& left, const std::string& right) { return left + " || " + right + "::text"; },
      [](const std::string& text, int count) { return "repeat(" + text + ", " + std::to_string(count) + ")"; },
      "char_length",
      '"',
      "decode(repeat('00ff', 100000), 'hex')",
      Repeated(std::string("\0\xff", 2), 100000),
  };
  return engine;
}

const OdbcEngine& PostgresNativeEngine() {
  static const OdbcEngine engine = [] {
    OdbcEngine native = PostgresEngine();
    native.name = "PostgreSQLNative";
    native.native = true;
    return native;
  }();
  return engine;
}

const OdbcEngine& MariadbEngine() {
  static const OdbcEngine engine{
      "MariaDB",
      "mariadb",
      [](int count) { return "SELECT seq AS n FROM seq_1_to_" + std::to_string(count); },
      [](const std::string& left, const std::string& right) { return "CONCAT(" + left + ", " + right + ")"; },
      [](const std::string& text, int count) { return "REPEAT(" + text + ", " + std::to_string(count) + ")"; },
      "CHAR_LENGTH",
      '`',
      "UNHEX(REPEAT('00FF', 100000))",
      Repeated(std::string("\0\xff", 2), 100000),
  };
  return engine;
}

const OdbcEngine& MariadbNativeEngine() {
  static const OdbcEngine engine = [] {
    OdbcEngine native = MariadbEngine();
    native.name = "MariaDBNative";
    native.native = true;
    return native;
  }();
  return engine;
}

const OdbcEngine& SqliteOdbcEngine() {
  static const OdbcEngine engine{
      "SQLiteODBC",
      "",
      RecursiveNumbers,
      Pipes,
      // hex() of a zero blob is a run of "00"s, each of which becomes one copy of the text.
      [](const std::string& text, int count) {
        return "replace(hex(zeroblob(" + std::to_string(count) + ")), '00', " + text + ")";
      },
      "length",
      '"',
      "zeroblob(200000)",
      std::string(200000, '\0'),
  };
  return engine;
}

void OdbcEngineTest::SetUp() {
  if (engine().server.empty()) {
    directory_ = std::make_unique<testsupport::TemporaryDirectory>();
    connectionString_ = SqliteOdbcConnectionString(directory_->File("test.db"));
  } else {
    const TestServer* server = RequireServer(engine().server);
    if (server == nullptr) return;
    connectionString_ = engine().native ? server->NativeConnectionString(server->password) : server->ConnectionString();
  }
  if (!openInSetUp_) return;
  connection_ = access_probe::Connect(connectionString_);
}

std::string OdbcEngineTest::QueryCode(const std::string& sql) {
  return access_probe::Raised([&] { Query(sql); });
}

std::string EngineName(const testing::TestParamInfo<const OdbcEngine*>& info) { return info.param->name; }

void PrintTo(const OdbcEngine* engine, std::ostream* out) { *out << engine->name; }

}  // namespace ql
