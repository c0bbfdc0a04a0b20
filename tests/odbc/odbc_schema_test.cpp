// The catalogs rowset through SQLTables with SQL_ALL_CATALOGS: the servers list their databases,
// and the SQLite driver, which has no catalogs, refuses with "not supported" (the tables rowset is
// part of the provider contract). A table's columns through SQLColumns, and what a connection says
// of itself.

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "odbc_engine.h"
#include "probes/access_probe.h"
#include "test_servers.h"

namespace ql {

namespace {

using access_probe::Hex;
using OdbcSchema = OdbcEngineTest;

TEST_P(OdbcSchema, CatalogsAreListedWhereTheDriverHasThem) {
  std::string listed;
  const std::string code = access_probe::Raised([&] {
    listed = access_probe::Column(*access_probe::Schema(connection_, access::SchemaKind::kCatalogs), "CATALOG_NAME");
  });
  if (engine().server.empty()) {
    EXPECT_EQ(code, Hex(access::kNotSupported));
    EXPECT_EQ(connection_->GetErrors()->Count(), 1);
  } else {
    EXPECT_EQ(code, "none");
    EXPECT_NE(("\n" + listed).find("\nqltest\n"), std::string::npos) << listed;
  }
}

// MariaDB's driver lists every database on the server, its system schemas too, unless it is told
// which catalog to list.
TEST_P(OdbcSchema, TablesAreThoseOfTheDatabaseInUse) {
  Query("DROP TABLE IF EXISTS ql_here");
  Query("CREATE TABLE ql_here (a INTEGER)");
  access::Ref<access::Recordset> rows = access_probe::Schema(connection_, access::SchemaKind::kTables);
  access::Ref<access::Fields> fields = rows->GetFields();
  std::string names;
  std::string otherCatalogs;
  while (!rows->Eof()) {
    const access::Variant catalog = fields->Item("TABLE_CATALOG")->Value();
    const std::string name = fields->Item("TABLE_NAME")->Value().ToText();
    names += name + "\n";
    if (catalog.Type() != access::VT_NULL && catalog.ToText() != "qltest")
      otherCatalogs += catalog.ToText() + "." + name + "\n";
    rows->MoveNext();
  }
  EXPECT_NE(("\n" + names).find("\nql_here\n"), std::string::npos) << names;
  EXPECT_EQ(otherCatalogs, "");
}

// Names in mixed case, a '_' that a pattern would take for any character (ql_col01, which would
// match it and comes first in any order, is another table), a table that is not there. Sizes only
// where the type has one; the types, nullability and defaults as each driver words them (MariaDB's
// names the default NULL "NULL", and psqlODBC a boolean's type "bool").
TEST_P(OdbcSchema, ColumnsOfOneTableComeInTheirOrder) {
  struct Case {
    std::string table;
    std::string columns;  // "name|type|size|nullable|default" per column
  };
  struct Dialect {
    std::string mixedCase;  // creates MixedCase_Cols
    std::vector<Case> cases;
    std::string underscored;  // the column of ql_col_1
  };
  const std::string quote(1, engine().quote);
  const std::string mixed = "CREATE TABLE " + quote + "MixedCase_Cols" + quote;
  const std::string name = quote + "Name" + quote;
  const std::map<std::string, Dialect> dialects = {
      {"PostgreSQL",
       {mixed + "(id integer NOT NULL, " + name +
            " varchar(20) NOT NULL DEFAULT 'x', n numeric(10,2), t text, b boolean)",
        {{"MixedCase_Cols",
          "id|int4|<null>|NO|<null>\nName|varchar|20|NO|'x'::character varying\nn|numeric|10|YES|<null>\n"
          "t|text|<null>|YES|<null>\nb|bool|<null>|YES|<null>\n"},
         {"mixedcase_cols", ""}},
        "underscored|int4|<null>|YES|<null>\n"}},
      {"MariaDB",
       {mixed + "(id integer NOT NULL, " + name +
            " varchar(20) NOT NULL DEFAULT 'x', n numeric(10,2), t text, b bit(1))",
        {{"MixedCase_Cols",
          "id|INT|<null>|NO|<null>\nName|VARCHAR|20|NO|'x'\nn|DECIMAL|10|YES|NULL\n"
          "t|TEXT|<null>|YES|NULL\nb|BIT|<null>|YES|NULL\n"}},
        "underscored|INT|<null>|YES|NULL\n"}},
      {"SQLiteODBC",
       {mixed + "(id integer NOT NULL, " + name + " varchar(20) NOT NULL DEFAULT 'x', t text)",
        {{"MixedCase_Cols", "id|INTEGER|<null>|NO|NULL\nName|varchar(20)|20|NO|x\nt|TEXT|<null>|YES|NULL\n"}},
        "underscored|INTEGER|<null>|YES|NULL\n"}},
  };
  const Dialect& dialect = dialects.at(engine().name);
  for (const char* table : {"MixedCase_Cols", "ql_col_1", "ql_col01"}) {
    Query("DROP TABLE IF EXISTS " + quote + table + quote);
  }
  Query(dialect.mixedCase);
  Query("CREATE TABLE ql_col_1 (underscored integer)");
  Query("CREATE TABLE ql_col01 (matched_by_a_pattern integer)");
  std::vector<Case> cases = dialect.cases;
  cases.push_back({"ql_col_1", dialect.underscored});
  cases.push_back({"ql_nowhere", ""});
  for (const Case& c : cases) {
    access::Ref<access::Recordset> columns = connection_->OpenSchema(
        access::SchemaKind::kColumns, access::Variant::Text(c.table), access::Variant::Missing());
    EXPECT_EQ(access_probe::RestOfRows(*columns), c.columns) << c.table;
  }
}

// Each fact once, as the driver tells it; the port where the connection string gives it; never the
// password, which the string holds. Opening says nothing: the settings the program adds to the
// string draw no word from the drivers.
TEST_P(OdbcSchema, ConnectionFactsNameTheServerButNeverThePassword) {
  EXPECT_TRUE(connection_->TakeMessages().empty());
  std::string facts;
  for (const access::ConnectionFact& fact : connection_->Describe()) facts += fact.name + "=" + fact.value + "\n";
  std::string expected =
      "Provider=ODBC (SQLite3)\nDatabase=" + connectionString_.substr(connectionString_.find("Database=") + 9) +
      "\nServer version=SQLite ";
  if (const TestServer* server = engine().server.empty() ? nullptr : RequireServer(engine().server)) {
    expected = "Provider=ODBC (" + server->driver + ")\nHost=127.0.0.1\nPort=" + server->port +
               "\nDatabase=qltest\nUser=qluser\nServer version=" + engine().name + " ";
  }
  EXPECT_TRUE(facts.starts_with(expected)) << facts;
  EXPECT_EQ(std::count(facts.begin(), facts.end(), '\n'), std::count(expected.begin(), expected.end(), '\n') + 1)
      << facts;
  if (!engine().server.empty()) {
    EXPECT_EQ(facts.find(RequireServer(engine().server)->password), std::string::npos) << facts;
  }
}

INSTANTIATE_TEST_SUITE_P(Odbc, OdbcSchema, testing::Values(&PostgresEngine(), &MariadbEngine(), &SqliteOdbcEngine()),
                         EngineName);

}  // namespace

}  // namespace ql
