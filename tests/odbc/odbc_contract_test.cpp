// The provider contract, run on the ODBC provider against PostgreSQL, MariaDB and the SQLite ODBC
// driver, on the PostgreSQL provider over libpq against the same PostgreSQL server, and on the
// MariaDB provider over MariaDB Connector/C against the same MariaDB server. Each server's database
// is emptied before every test.

#include "probes/provider_contract.h"
#include "support/temporary_directory.h"
#include "test_servers.h"

namespace ql {

namespace {

// Runs statements on a connection of its own.
void RunAll(const std::string& connectionString, std::initializer_list<std::string> statements) {
  access::Ref<access::Connection> connection = access_probe::Connect(connectionString);
  for (const std::string& sql : statements) access_probe::Query(connection, sql);
  connection->Close();
}

// The test's connection string to the server's emptied database, or an empty string after a skip.
std::shared_ptr<void> EmptyServerDatabase(const std::string& name, std::string& connectionString, bool native = false) {
  const TestServer* server = RequireServer(name);
  if (server == nullptr) return nullptr;
  connectionString = native ? server->NativeConnectionString(server->password) : server->ConnectionString();
  if (name == "pg") {
    RunAll(connectionString, {"DROP SCHEMA IF EXISTS public CASCADE", "CREATE SCHEMA public"});
  } else {
    RunAll(connectionString, {"DROP DATABASE IF EXISTS " + server->database,
                              "CREATE DATABASE " + server->database + " CHARACTER SET utf8mb4"});
  }
  return nullptr;
}

const char* const kUtf8Text =
    "gr\xC3\xBC\xC3\x9F"
    "e \xE2\x9C\x93 \xF0\x9F\x98\x80";

// The rows PostgreSQL gives the same through psqlODBC and through libpq; each road adds its own.
std::vector<ValueCase> PostgresValues(std::vector<ValueCase> roadRows) {
  std::vector<ValueCase> rows = {
      {"NULL", "integer", "NULL", "NULL:<null>"},
      {"smallint", "smallint", "-5", "I2:-5"},
      {"largest integer", "integer", "2147483647", "I4:2147483647"},
      {"bigint within 32 bits", "bigint", "7", "I4:7"},
      {"bigint beyond 32 bits", "bigint", "-9223372036854775808", "I8:-9223372036854775808"},
      {"numeric keeps its scale", "numeric(10,2)", "12.5", "DECIMAL:12.50"},
      {"numeric beyond a double", "numeric", "123456789012345678901234567890.123456789",
       "DECIMAL:123456789012345678901234567890.123456789"},
      {"numeric NaN", "numeric", "'NaN'", "BSTR:NaN"},
      {"money beyond currency", "money", "'-92233720368547758.08'", "DECIMAL:-92233720368547758.08"},
      {"real", "real", "0.25", "R4:0.25"},
      {"double precision", "double precision", "2.5", "R8:2.5"},
      {"boolean true", "boolean", "true", "BOOL:True"},
      {"boolean false", "boolean", "false", "BOOL:False"},
      {"date", "date", "'2003-10-01'", "DATE:2003-10-01"},
      {"timestamp", "timestamp", "'2004-03-02 14:05:09'", "DATE:2004-03-02 14:05:09"},
      {"timestamp drops its fraction", "timestamp", "'2004-12-31 23:59:59.999999'", "DATE:2004-12-31 23:59:59"},
      {"time of day", "time", "'06:30:00'", "DATE:1899-12-30 06:30:00"},
      {"text", "text", std::string("'") + kUtf8Text + "'", std::string("BSTR:") + kUtf8Text},
      {"varchar", "varchar(10)", "'north'", "BSTR:north"},
      {"bytea", "bytea", "'\\x00ff10'", "BYTES:<3 bytes>"},
  };
  rows.insert(rows.end(), roadRows.begin(), roadRows.end());
  return rows;
}

ProviderTarget PostgresTarget() {
  ProviderTarget target;
  target.name = "PostgreSQL";
  target.freshDatabase = [](std::string& connectionString) { return EmptyServerDatabase("pg", connectionString); };
  target.values = PostgresValues({
      {"money", "money", "12.5", "CY:12.5"},
      {"timestamp BC", "timestamp", "'0044-03-15 10:00:00 BC'", "BSTR:0044-03-15 10:00:00 BC"},
      // The driver writes these two in its own words: kept as its text, never taken for a date.
      {"date infinity", "date", "'infinity'", "BSTR:0000-00-00"},
      {"timestamp -infinity", "timestamp", "'-infinity'", "BSTR:9999-01-01 00:00:00 BC"},
      {"time with a zone", "timetz", "'12:00:00+02'", "BSTR:12:00:00+02"},
      {"date before the year 100", "date", "'0099-01-01'", "BSTR:0099-01-01"},
  });
  return target;
}

// Over libpq every value comes in the server's text form and is read by its column's type.
ProviderTarget PostgresNativeTarget() {
  ProviderTarget target;
  target.name = "PostgreSQLNative";
  target.freshDatabase = [](std::string& connectionString) {
    return EmptyServerDatabase("pg", connectionString, true);
  };
  target.values = PostgresValues({
      {"oid beyond 31 bits", "oid", "4294967295", "I8:4294967295"},
      {"numeric infinity", "numeric", "'-Infinity'", "BSTR:-Infinity"},
      {"money from its digits", "money", "'-1234567.89'", "CY:-1234567.89"},
      {"real keeps its shortest digits", "real", "0.1", "R4:0.1"},
      {"double infinity", "double precision", "'-Infinity'", "R8:-inf"},
      {"date infinity", "date", "'infinity'", "BSTR:infinity"},
      {"date BC", "date", "'0044-03-15 BC'", "BSTR:0044-03-15 BC"},
      {"date past 9999", "date", "'12000-01-01'", "BSTR:12000-01-01"},
      {"timestamptz as the server writes it", "timestamptz", "'2004-03-02 14:05:09+00'", "BSTR:2004-03-02 14:05:09+00"},
      {"interval", "interval", "'1 day 02:00'", "BSTR:1 day 02:00:00"},
      {"uuid", "uuid", "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", "BSTR:a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"},
      {"json", "json", "'{\"a\": [1, 2]}'", "BSTR:{\"a\": [1, 2]}"},
      {"array", "integer[]", "'{1,NULL,3}'", "BSTR:{1,NULL,3}"},
      {"empty bytea", "bytea", "''", "BYTES:<0 bytes>"},
  });
  target.failsOnThirdRow = "SELECT 10 / (3 - id) FROM (SELECT id FROM ql_items ORDER BY id) AS ordered";
  return target;
}

// The rows MariaDB gives the same through its ODBC driver and through MariaDB Connector/C; each road
// adds its own.
std::vector<ValueCase> MariadbValues(std::vector<ValueCase> roadRows) {
  std::vector<ValueCase> rows = {
      {"NULL", "int", "NULL", "NULL:<null>"},
      {"tinyint", "tinyint", "-1", "I1:-1"},
      {"smallint", "smallint", "-5", "I2:-5"},
      {"int", "int", "2147483647", "I4:2147483647"},
      {"bigint", "bigint", "-9223372036854775808", "I8:-9223372036854775808"},
      {"bigint unsigned beyond 63 bits", "bigint unsigned", "18446744073709551615", "UI8:18446744073709551615"},
      {"int unsigned", "int unsigned", "4294967295", "I8:4294967295"},
      {"decimal keeps its scale", "decimal(10,2)", "12.5", "DECIMAL:12.50"},
      {"widest decimal", "decimal(65,30)", "12345678901234567890.125",
       "DECIMAL:12345678901234567890.125000000000000000000000000000"},
      {"float", "float", "0.25", "R4:0.25"},
      {"double", "double", "2.5", "R8:2.5"},
      {"boolean, which MariaDB keeps as tinyint(1)", "boolean", "true", "I1:1"},
      {"date", "date", "'2003-10-01'", "DATE:2003-10-01"},
      {"datetime", "datetime", "'2004-03-02 14:05:09'", "DATE:2004-03-02 14:05:09"},
      {"datetime(6) drops its fraction", "datetime(6)", "'2004-12-31 23:59:59.999999'", "DATE:2004-12-31 23:59:59"},
      {"zero date", "date", "'0000-00-00'", "BSTR:0000-00-00"},
      {"text", "text", std::string("'") + kUtf8Text + "'", std::string("BSTR:") + kUtf8Text},
      {"varchar", "varchar(20)", std::string("'") + kUtf8Text + "'", std::string("BSTR:") + kUtf8Text},
      {"blob", "blob", "x'00ff10'", "BYTES:<3 bytes>"},
  };
  rows.insert(rows.end(), roadRows.begin(), roadRows.end());
  return rows;
}

ProviderTarget MariadbTarget() {
  ProviderTarget target;
  target.name = "MariaDB";
  target.freshDatabase = [](std::string& connectionString) { return EmptyServerDatabase("mariadb", connectionString); };
  target.values = MariadbValues({
      {"tinyint unsigned beyond 8 bits", "tinyint unsigned", "200", "I4:200"},
      {"bit set", "bit(1)", "b'1'", "BOOL:True"},
      {"bit clear", "bit(1)", "b'0'", "BOOL:False"},
      {"time of day", "time", "'06:30:00'", "DATE:1899-12-30 06:30:00"},
  });
  return target;
}

// Over MariaDB Connector/C every value comes in the server's text form and is read by its field
// type: BIT as the whole number its bits make, TIME (which may pass 24 hours) as text.
ProviderTarget MariadbNativeTarget() {
  ProviderTarget target;
  target.name = "MariaDBNative";
  target.freshDatabase = [](std::string& connectionString) {
    return EmptyServerDatabase("mariadb", connectionString, true);
  };
  target.values = MariadbValues({
      {"tinyint unsigned", "tinyint unsigned", "255", "I2:255"},
      {"smallint unsigned", "smallint unsigned", "65535", "I4:65535"},
      {"mediumint", "mediumint", "-8388608", "I4:-8388608"},
      {"bit(1)", "bit(1)", "b'1'", "I4:1"},
      {"bit(5)", "bit(5)", "b'10101'", "I4:21"},
      {"bit(64)", "bit(64)", "18446744073709551615", "UI8:18446744073709551615"},
      {"year", "year", "2024", "I2:2024"},
      {"float keeps its shortest digits", "float", "0.1", "R4:0.1"},
      {"timestamp", "timestamp", "'2004-03-02 14:05:09'", "DATE:2004-03-02 14:05:09"},
      {"zero datetime", "datetime", "'0000-00-00 00:00:00'", "BSTR:0000-00-00 00:00:00"},
      {"date with a zero month", "date", "'2024-00-10'", "BSTR:2024-00-10"},
      {"date before the year 100", "date", "'0099-01-01'", "BSTR:0099-01-01"},
      {"time of day", "time", "'06:30:00'", "BSTR:06:30:00"},
      {"time beyond a day, negative", "time", "'-838:59:59'", "BSTR:-838:59:59"},
      {"json", "json", "'{\"a\": [1, 2]}'", "BSTR:{\"a\": [1, 2]}"},
      {"enum", "enum('north','south')", "'south'", "BSTR:south"},
      {"set", "set('x','y')", "'x,y'", "BSTR:x,y"},
      {"char", "char(5)", "'ab'", "BSTR:ab"},
      {"binary", "binary(3)", "x'0102'", "BYTES:<3 bytes>"},
      {"varbinary", "varbinary(5)", "x'ff'", "BYTES:<1 bytes>"},
      {"geometry", "point", "POINT(1, 2)", "BYTES:<25 bytes>"},
  });
  target.failsOnThirdRow =
      "SELECT o.id, (SELECT i.id FROM ql_items i WHERE i.id < o.id) AS x FROM ql_items o ORDER BY o.id";
  return target;
}

ProviderTarget SqliteOdbcTarget() {
  ProviderTarget target;
  target.name = "SQLiteODBC";
  target.freshDatabase = [](std::string& connectionString) {
    auto directory = std::make_shared<testsupport::TemporaryDirectory>();
    connectionString = SqliteOdbcConnectionString(directory->File("contract.db"));
    return directory;
  };
  target.values = {
      {"NULL", "integer", "NULL", "NULL:<null>"},
      {"integer", "integer", "2147483647", "I4:2147483647"},
      {"bigint beyond 32 bits", "bigint", "30000000000", "I8:30000000000"},
      {"largest bigint", "bigint", "9223372036854775807", "I8:9223372036854775807"},
      {"smallint", "smallint", "-5", "I2:-5"},
      {"tinyint", "tinyint", "-1", "I1:-1"},
      {"double", "double", "2.5", "R8:2.5"},
      {"boolean", "boolean", "1", "BOOL:True"},
      {"date", "date", "'2003-10-01'", "DATE:2003-10-01"},
      {"timestamp", "timestamp", "'2004-03-02 14:05:09'", "DATE:2004-03-02 14:05:09"},
      {"timestamp with milliseconds", "timestamp", "'2004-12-31 23:59:59.999'", "DATE:2004-12-31 23:59:59"},
      {"text", "text", std::string("'") + kUtf8Text + "'", std::string("BSTR:") + kUtf8Text},
      {"varchar holding more than it declares", "varchar(5)", "'abcdefgh'", "BSTR:abcdefgh"},
      {"blob", "blob", "x'00ff10'", "BYTES:<3 bytes>"},
  };
  return target;
}

INSTANTIATE_TEST_SUITE_P(Odbc, ProviderContract,
                         testing::Values(PostgresTarget(), PostgresNativeTarget(), MariadbTarget(),
                                         MariadbNativeTarget(), SqliteOdbcTarget()),
                         [](const auto& info) { return info.param.name; });

}  // namespace

}  // namespace ql
