// The SQLite provider: the shared contract, then what only SQLite does (files, modes, several
// statements in one text, its own schema tables, attached databases, interrupting a statement).

#include <sqlite3.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "probes/provider_contract.h"
#include "support/temporary_directory.h"

namespace ql {

using access::Recordset;
using access::Ref;
using access_probe::Describe;
using access_probe::Hex;
using access_probe::Raised;
using access_probe::RestOfRows;

namespace {

ProviderTarget SqliteTarget() {
  ProviderTarget target;
  target.name = "SQLite";
  target.freshDatabase = [](std::string& connectionString) {
    auto directory = std::make_shared<testsupport::TemporaryDirectory>();
    connectionString = "Data Source=" + directory->File("contract.db");
    return directory;
  };
  target.values = {
      {"NULL", "INTEGER", "NULL", "NULL:<null>"},
      {"largest 32-bit integer", "INTEGER", "2147483647", "I4:2147483647"},
      {"smallest 32-bit integer", "INT", "-2147483648", "I4:-2147483648"},
      {"integer beyond 32 bits", "INTEGER", "2147483648", "I8:2147483648"},
      {"small BIGINT", "BIGINT", "7", "I4:7"},
      {"largest 64-bit integer", "BIGINT", "9223372036854775807", "I8:9223372036854775807"},
      {"smallest 64-bit integer", "INTEGER", "-9223372036854775808", "I8:-9223372036854775808"},
      {"millisecond timestamp", "INTEGER", "1700000000123", "I8:1700000000123"},
      {"SMALLINT", "SMALLINT", "-5", "I2:-5"},
      {"SMALLINT out of its range", "SMALLINT", "40000", "I4:40000"},
      {"TINYINT", "TINYINT", "-1", "I1:-1"},
      {"REAL", "REAL", "2.5", "R8:2.5"},
      {"DOUBLE", "DOUBLE PRECISION", "0.25", "R8:0.25"},
      {"real in an INTEGER column", "INTEGER", "1.5", "R8:1.5"},
      {"NUMERIC with a fraction", "NUMERIC(10,2)", "12.5", "DECIMAL:12.5"},
      {"DECIMAL holding an integer", "DECIMAL(10,2)", "12", "DECIMAL:12"},
      {"MONEY", "MONEY", "'19.99'", "DECIMAL:19.99"},
      {"NUMERIC integer beyond 32 bits", "NUMERIC", "12345678901234", "DECIMAL:12345678901234"},
      {"NUMERIC holding words", "NUMERIC", "'n/a'", "BSTR:n/a"},
      {"BOOLEAN true", "BOOLEAN", "1", "BOOL:True"},
      {"BOOL false", "BOOL", "0", "BOOL:False"},
      {"DATE text", "DATE", "'2003-10-01'", "DATE:2003-10-01"},
      {"DATETIME text", "DATETIME", "'2004-03-02 14:05:09'", "DATE:2004-03-02 14:05:09"},
      {"TIMESTAMP with T and milliseconds", "TIMESTAMP", "'2004-03-02T14:05:09.600'", "DATE:2004-03-02 14:05:09"},
      {"last millisecond of a day", "DATETIME", "'2024-12-31 23:59:59.999'", "DATE:2024-12-31 23:59:59"},
      {"DATETIME with a zone offset", "DATETIME", "'2024-05-06 07:08:09+02:00'", "BSTR:2024-05-06 07:08:09+02:00"},
      {"DATETIME in UTC", "DATETIME", "'2024-05-06T07:08:09Z'", "BSTR:2024-05-06T07:08:09Z"},
      {"DATE beyond the year 9999", "DATE", "'12024-01-01'", "BSTR:12024-01-01"},
      {"TIME text", "TIME", "'06:30:00'", "DATE:1899-12-30 06:30:00"},
      {"TIME without seconds", "TIME", "'06:30'", "DATE:1899-12-30 06:30:00"},
      {"DATETIME in blanks with a small t", "DATETIME", "' 2004-03-02t14:05 '", "DATE:2004-03-02 14:05:00"},
      {"DATETIME with a point but no fraction", "DATETIME", "'2004-03-02 14:05:09.'", "BSTR:2004-03-02 14:05:09."},
      {"TIME past the last hour", "TIME", "'24:00:00'", "BSTR:24:00:00"},
      {"DATETIME as a Julian day", "DATETIME", "julianday('1850-06-15 18:00:00')", "DATE:1850-06-15 18:00:00"},
      {"DATE that does not parse", "DATE", "'next tuesday'", "BSTR:next tuesday"},
      {"DATE that does not exist", "DATE", "'2003-02-30'", "BSTR:2003-02-30"},
      {"DATETIME on a day that does not exist", "DATETIME", "'2003-02-29 10:00:00'", "BSTR:2003-02-29 10:00:00"},
      {"DATETIME past the last second", "DATETIME", "'2004-03-02 14:05:60'", "BSTR:2004-03-02 14:05:60"},
      {"DATETIME with a letter for a digit", "DATETIME", "'2004-03-0x 14:05:09'", "BSTR:2004-03-0x 14:05:09"},
      {"DATETIME on the first day there is", "DATETIME", "'0100-01-01 00:00:00'", "DATE:0100-01-01"},
      {"DATETIME before the year 100", "DATETIME", "'0099-12-31 23:59:59'", "BSTR:0099-12-31 23:59:59"},
      {"DATETIME on the last second there is", "DATETIME", "'9999-12-31 23:59:59'", "DATE:9999-12-31 23:59:59"},
      {"DATETIME holding Unix seconds", "DATETIME", "1700000000", "I4:1700000000"},
      {"BLOB", "BLOB", "x'00ff10'", "BYTES:<3 bytes>"},
      {"UTF-8 text", "TEXT",
       "'gr\xC3\xBC\xC3\x9F"
       "e \xE2\x9C\x93'",
       "BSTR:gr\xC3\xBC\xC3\x9F"
       "e \xE2\x9C\x93"},
      {"text in a column without a type", "", "'plain'", "BSTR:plain"},
  };
  target.failsOnThirdRow =
      "SELECT CASE WHEN id = 3 THEN abs(-9223372036854775805 - id) ELSE id END FROM ql_items ORDER BY id";
  return target;
}

INSTANTIATE_TEST_SUITE_P(SQLite, ProviderContract, testing::Values(SqliteTarget()),
                         [](const auto& info) { return info.param.name; });

// Writes a database file with the given statements through SQLite itself.
void MakeDatabase(const std::string& file, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

class SqliteFile : public testing::Test {
 protected:
  // Opens a connection with the given string and returns the code raised, or "none".
  std::string Open(const std::string& connectionString) {
    connection_ = access::NativeObjects().CreateConnection();
    return Raised([&] { connection_->Open(connectionString, "", "", 0); });
  }

  Ref<Recordset> Query(const std::string& sql) { return access_probe::Query(connection_, sql); }

  std::string QueryCode(const std::string& sql) {
    return Raised([&] { Query(sql); });
  }

  // "Name [TYPE] in catalog" for every row of the tables rowset.
  std::string Tables() {
    Ref<Recordset> rows = access_probe::Schema(connection_, access::SchemaKind::kTables);
    Ref<access::Fields> fields = rows->GetFields();
    std::string text;
    while (!rows->Eof()) {
      text += fields->Item("TABLE_NAME")->Value().ToText() + " [" + fields->Item("TABLE_TYPE")->Value().ToText() +
              "] in " + fields->Item("TABLE_CATALOG")->Value().ToText() + "\n";
      rows->MoveNext();
    }
    return text;
  }

  std::string Catalogs() {
    return access_probe::Column(*access_probe::Schema(connection_, access::SchemaKind::kCatalogs), "CATALOG_NAME");
  }

  std::string ErrorsText() { return access_probe::ErrorsText(connection_); }

  testsupport::TemporaryDirectory dir_;
  Ref<access::Connection> connection_;
};

TEST_F(SqliteFile, WithoutDataSourceOrWithMemoryTheDatabaseLivesInMemory) {
  for (const char* text :
       {"", "Data Source=:memory:", "Provider=SQLite", "provider = sqlite ; data source = ':memory:'"}) {
    SCOPED_TRACE(text);
    ASSERT_EQ(Open(text), "none");
    Query("CREATE TABLE t (x)");
    EXPECT_EQ(RestOfRows(*Query("SELECT count(*) FROM t")), "0\n");
  }
}

TEST_F(SqliteFile, FilesThatCannotBeDatabasesFailToOpenWithTheProviderFailure) {
  std::ofstream(dir_.File("garbage.db")) << "this is not an SQLite database, only some text that fills the header";
  const std::string cases[] = {
      "Data Source=" + dir_.File("garbage.db"),
      "Data Source=" + dir_.File("."),
      "Data Source=" + dir_.File("missing.db") + ";Mode=Read",
      "Data Source=" + dir_.File("no/such/dir.db"),
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Open(text), Hex(access::kProviderFailed));
    EXPECT_EQ(connection_->State(), access::kStateClosed);
    EXPECT_TRUE(ErrorsText().starts_with(Hex(access::kProviderFailed) + " SQLite: ")) << ErrorsText();
  }
}

TEST_F(SqliteFile, ModeReadOpensTheFileReadOnly) {
  MakeDatabase(dir_.File("ro.db"), "CREATE TABLE t (x); INSERT INTO t VALUES (1);");
  ASSERT_EQ(Open("Data Source=" + dir_.File("ro.db") + "; Mode=Read"), "none");
  EXPECT_EQ(RestOfRows(*Query("SELECT x FROM t")), "1\n");
  EXPECT_EQ(QueryCode("INSERT INTO t VALUES (2)"), Hex(access::kPermissionDenied));
  EXPECT_EQ(ErrorsText(), Hex(access::kPermissionDenied) + " SQLite: attempt to write a readonly database\n");
}

TEST_F(SqliteFile, AnUnknownProviderIsNotFoundAndRecordedInErrors) {
  EXPECT_EQ(Open("Provider=NoSuch.Provider.1;Data Source=x"), Hex(access::kProviderNotFound));
  EXPECT_EQ(connection_->State(), access::kStateClosed);
  EXPECT_TRUE(ErrorsText().starts_with(Hex(access::kProviderNotFound) + " ")) << ErrorsText();
}

TEST_F(SqliteFile, SeveralStatementsRunInOrderAndTheLastGivesTheResult) {
  ASSERT_EQ(Open(""), "none");
  Ref<Recordset> rows = Query(
      "CREATE TABLE t (x); INSERT INTO t VALUES (1); INSERT INTO t VALUES (2);\n"
      "SELECT x FROM t ORDER BY x; -- the result\n /* trailing */ ;");
  EXPECT_EQ(RestOfRows(*rows), "1\n2\n");
  EXPECT_EQ(Query("INSERT INTO t VALUES (3); UPDATE t SET x = x * 10")->State(), access::kStateClosed);
  EXPECT_EQ(connection_->RecordsAffected(), 3) << "the count of the last statement";
  EXPECT_EQ(RestOfRows(*Query("SELECT x FROM t ORDER BY x")), "10\n20\n30\n");

  // Only a statement that changes rows has a count; SQLite keeps the last one's, which must not
  // show after any other statement.
  const struct {
    const char* sql;
    std::int64_t affected;
  } counts[] = {
      {"CREATE TABLE u (y)", -1},
      {"/* why */ -- and\n insert into u values (10), (20)", 2},
      {"PRAGMA user_version = 3", -1},
      {"WITH big AS (SELECT 15 AS v) UPDATE u SET y = y + 1 WHERE y > (SELECT v FROM big)", 1},
      {"REPLACE INTO u VALUES (1)", 1},
      {"BEGIN; DELETE FROM u; COMMIT", -1},
      {"DROP TABLE u", -1},
  };
  for (const auto& row : counts) {
    Query(row.sql);
    EXPECT_EQ(connection_->RecordsAffected(), row.affected) << row.sql;
  }

  // A failing statement stops the text there; those before it have taken effect.
  EXPECT_EQ(QueryCode("INSERT INTO t VALUES (4); SELEC 1; INSERT INTO t VALUES (5)"), Hex(access::kStatementError));
  EXPECT_EQ(RestOfRows(*Query("SELECT x FROM t ORDER BY x")), "4\n10\n20\n30\n");
  EXPECT_EQ(Query(" ; -- nothing to run")->State(), access::kStateClosed);
}

TEST_F(SqliteFile, ColumnsShowTheDeclarationsAndTheDatabaseDescribesItself) {
  MakeDatabase(dir_.File("cols.db"),
               "CREATE TABLE \"Odd 'Name\" (id INTEGER NOT NULL, note VARCHAR(20) DEFAULT 'n/a', x);");
  ASSERT_EQ(Open("Data Source=" + dir_.File("cols.db")), "none");
  Ref<Recordset> columns = connection_->OpenSchema(access::SchemaKind::kColumns, access::Variant::Text("odd 'name"),
                                                   access::Variant::Missing());
  EXPECT_EQ(RestOfRows(*columns),
            "id|INTEGER|<null>|NO|<null>\n"
            "note|VARCHAR(20)|<null>|YES|'n/a'\n"
            "x||<null>|YES|<null>\n");

  std::string facts;
  for (const access::ConnectionFact& fact : connection_->Describe()) facts += fact.name + "=" + fact.value + "\n";
  EXPECT_EQ(facts, "Provider=SQLite " + std::string(sqlite3_libversion()) + "\nDatabase=" + dir_.File("cols.db") +
                       "\nTransaction=idle\n");
  Query("BEGIN");
  EXPECT_NE(connection_->Describe().back().value, "idle");
}

TEST_F(SqliteFile, TextsThatSqliteCannotTakeAreRefused) {
  ASSERT_EQ(Open(""), "none");
  EXPECT_EQ(QueryCode(std::string("SELECT 1;\0 DROP TABLE t", 23)), Hex(access::kStatementError));
  EXPECT_EQ(QueryCode("SELECT ?1"), "none") << "an unbound parameter reads as NULL";
  EXPECT_EQ(QueryCode("SELECT zeroblob(2000000000)"), Hex(access::kOutOfRange)) << "larger than SQLite allows";
}

TEST_F(SqliteFile, TheTablesRowsetNamesSystemTablesAndEveryAttachedDatabase) {
  MakeDatabase(dir_.File("main.db"),
               "CREATE TABLE account (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT);"
               "INSERT INTO account (name) VALUES ('north');"
               "CREATE VIEW names AS SELECT name FROM account;");
  MakeDatabase(dir_.File("other.db"), "CREATE TABLE archive (x);");
  ASSERT_EQ(Open("Data Source=" + dir_.File("main.db")), "none");
  Query("ATTACH DATABASE '" + dir_.File("other.db") + "' AS \"old's\"");
  EXPECT_EQ(Tables(),
            "account [TABLE] in main\n"
            "names [VIEW] in main\n"
            "sqlite_master [SYSTEM TABLE] in main\n"
            "sqlite_sequence [SYSTEM TABLE] in main\n"
            "archive [TABLE] in old's\n"
            "sqlite_master [SYSTEM TABLE] in old's\n");
  EXPECT_EQ(Catalogs(), "main\nold's\n");
}

TEST_F(SqliteFile, SchemaRowsetsRefuseRestrictions) {
  ASSERT_EQ(Open(""), "none");
  EXPECT_EQ(Raised([&] {
              connection_->OpenSchema(access::SchemaKind::kTables, access::Variant::Text("main"),
                                      access::Variant::Missing());
            }),
            Hex(access::kNotSupported));
  EXPECT_EQ(Raised([&] { connection_->OpenSchema(access::SchemaKind::kTables, access::Variant(), access::Variant()); }),
            "none")
      << "empty arguments count as absent";
}

TEST_F(SqliteFile, InterruptStopsARunningStatement) {
  ASSERT_EQ(Open(""), "none");
  std::atomic<bool> finished{false};
  std::string code;
  std::thread worker([&] {
    code = QueryCode("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c");
    finished.store(true);
  });
  // An interrupt that comes before the statement starts is lost, so it is repeated until it lands.
  while (!finished.load()) {
    connection_->Interrupt();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(code, Hex(access::kCancelled));
  EXPECT_EQ(QueryCode("SELECT 1"), "none") << "the connection stays usable";
}

TEST_F(SqliteFile, AStatementWaitsForALockHeldElsewhereUntilInterrupted) {
  MakeDatabase(dir_.File("locked.db"), "CREATE TABLE t (x);");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(dir_.File("locked.db").c_str(), &other), SQLITE_OK);
  // A writer's reserved lock: others may read, not write.
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_EQ(Open("Data Source=" + dir_.File("locked.db")), "none");
  std::atomic<bool> finished{false};
  std::string code;
  std::thread worker([&] {
    code = QueryCode("INSERT INTO t VALUES (1)");
    finished.store(true);
  });
  while (!finished.load()) {
    connection_->Interrupt();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(code, Hex(access::kCancelled));
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(QueryCode("INSERT INTO t VALUES (2)"), "none") << "the lock gone, the statement runs";
}

TEST_F(SqliteFile, TheVersionNamesTheLayerAndItsLibraries) {
  const std::string version = access::ComponentVersion();
  EXPECT_TRUE(version.starts_with("1.0 (SQLite 3.")) << version;
  // libpq is installed with the program, and `ver` loads it to ask its release.
  EXPECT_NE(version.find(", libpq 1"), std::string::npos) << version;
  EXPECT_TRUE(version.ends_with(")")) << version;
  EXPECT_LE(version.size(), 63u);
  // MariaDB Connector/C is installed with the program too; --version names it, and `ver` names it
  // whole or, when it does not fit, not at all, leaving the text as it was without it.
  const std::string libraries = access::LibraryVersions();
  const std::size_t at = libraries.find(", libmariadb 3.");
  ASSERT_NE(at, std::string::npos) << libraries;
  const std::string mariadb = libraries.substr(at, libraries.find(',', at + 1) - at);
  const std::string before = libraries.substr(0, at);
  EXPECT_TRUE(version.find(mariadb + ")") != std::string::npos || version == "1.0 (" + before + ")") << version;
}

}  // namespace

TEST_F(SqliteFile, AnInterruptWhileNothingRunsLeavesTheNextFetchAlone) {
  ASSERT_EQ(Open(""), "none");
  Ref<Recordset> rows =
      Query("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 3) SELECT x FROM c");
  connection_->Interrupt();
  EXPECT_EQ(RestOfRows(*rows), "1\n2\n3\n");
}

}  // namespace ql
