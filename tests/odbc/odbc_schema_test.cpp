// The catalogs rowset through SQLTables with SQL_ALL_CATALOGS: the servers list their databases,
// and the SQLite driver, which has no catalogs, refuses with "not supported" (the tables rowset is
// part of the provider contract).

#include "probes/access_probe.h"
#include "odbc_engine.h"

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
    if (catalog.Type() != access::VT_NULL && catalog.ToText() != "qltest") otherCatalogs += catalog.ToText() + "." + name + "\n";
    rows->MoveNext();
  }
  EXPECT_NE(("\n" + names).find("\nql_here\n"), std::string::npos) << names;
  EXPECT_EQ(otherCatalogs, "");
}

INSTANTIATE_TEST_SUITE_P(Odbc, OdbcSchema, testing::Values(&PostgresEngine(), &MariadbEngine(), &SqliteOdbcEngine()),
                         EngineName);

}  // namespace

}  // namespace ql
