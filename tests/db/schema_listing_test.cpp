#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/db/fake_objects.h"
#include "tests/db/session.h"

namespace ql {

namespace {

using access::DataAccessError;
using access::SchemaKind;
using access::ToResultCode;
using access::Variant;
using dbtest::kSeparator;
using dbtest::Report;

fake::Table Tables(const std::vector<std::pair<Variant, Variant>>& rows) {
  fake::Table table{{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"}, {}};
  for (const auto& [name, type] : rows) table.rows.push_back({Variant::Null(), Variant::Null(), name, type});
  return table;
}

class SchemaListing : public ::testing::Test {
 protected:
  void SetUp() override {
    session.Run("open a");
    connection = objects.LastConnection();
    connection->schemas[SchemaKind::kTables] = Tables({{Variant::Text("Account"), Variant::Text("TABLE")},
                                                      {Variant::Text("MSysACEs"), Variant::Text("SYSTEM TABLE")},
                                                      {Variant::Text("Totals"), Variant::Text("VIEW")}});
    connection->schemas[SchemaKind::kCatalogs] = {{"CATALOG_NAME"}, {{Variant::Text("main")}, {Variant::Text("temp")}}};
    connection->errors = {{access::kNoSuchTable, "no such thing"}, {access::kProviderFailed, "and more"}};
    objects.calls.ClearLog();
  }

  fake::Objects objects;
  dbtest::Session session{objects};
  std::shared_ptr<fake::Connection> connection;
  const std::string errorList = "\t Error number: 80040e37\tno such thing\n\t Error number: 80004005\tand more\n";
  const std::string allTables = "Account [TABLE]\nMSysACEs [SYSTEM TABLE]\nTotals [VIEW]\n";
};

TEST_F(SchemaListing, ListsEveryTableWithItsType) {
  EXPECT_TRUE(session.database.ListTables());
  EXPECT_EQ(session.Output(), allTables);
  EXPECT_EQ(objects.calls.Count("Recordset.Close"), 1);
}

TEST_F(SchemaListing, ListsEveryCatalog) {
  EXPECT_TRUE(session.database.ListDatabases());
  EXPECT_EQ(session.Output(), "main\ntemp\n");
}

TEST_F(SchemaListing, PrintsNamesAsTheProviderGivesThem) {
  connection->schemas[SchemaKind::kTables] = Tables({{Variant::Text("a#0cb"), Variant::Text("TABLE")},
                                                    {Variant::Text("x##y"), Variant::Text("BASE TABLE")},
                                                    {Variant::Text("100%s"), Variant::Text("VIEW")},
                                                    {Variant::I4(7), Variant::Text("")},
                                                    {Variant::Text(std::string("n\0ul", 4)), Variant::Text("TABLE")}});
  EXPECT_EQ(session.Run("table"), "a#0cb [TABLE]\nx##y [BASE TABLE]\n100%s [VIEW]\n7 []\n" + std::string("n\0ul", 4) + " [TABLE]\n");
}

TEST_F(SchemaListing, AnEmptyRowsetPrintsNothing) {
  connection->schemas[SchemaKind::kTables] = Tables({});
  connection->schemas[SchemaKind::kCatalogs].rows.clear();
  EXPECT_TRUE(session.database.ListTables());
  EXPECT_TRUE(session.database.ListDatabases());
  EXPECT_EQ(session.Output(), "");
}

TEST_F(SchemaListing, ClosesTheRowsetOnlyWhenItsStateIsExactlyOpen) {
  for (std::int32_t state : {0, 2, 4, 8, -1, 1}) {
    connection->schemaState = state;
    objects.calls.ClearLog();
    EXPECT_EQ(session.Run("table\ndb"), allTables + "main\ntemp\n");
    EXPECT_EQ(objects.calls.Count("Recordset.Close"), state == 1 ? 2 : 0) << "state " << state;
  }
}

TEST_F(SchemaListing, ARowsetThatIsNotThereIsTheAbsentObject) {
  connection->schemas.clear();
  EXPECT_EQ(session.Run("table\ndb"), errorList + Report(238, "80004003", "There is no object to act on.") +
                                          errorList + Report(277, "80004003", "There is no object to act on."));
}

// A failure ends the listing: the lines so far stay, then the connection's errors and the report;
// the rowset is released without being closed.
TEST_F(SchemaListing, AFailureAnywhereIsListedThenReported) {
  struct Case {
    std::string call;
    int occurrence;
    std::string before;
  };
  const std::vector<Case> cases = {
      {"Connection.OpenSchema", 1, ""},
      {"Recordset.Eof", 1, ""},
      {"Recordset.Fields", 1, ""},
      {"Fields.Item", 2, ""},
      {"Field.Value", 1, ""},
      {"Field.Value", 4, "Account [TABLE]\n"},
      {"Recordset.MoveNext", 2, "Account [TABLE]\nMSysACEs [SYSTEM TABLE]\n"},
      {"Recordset.Eof", 4, allTables},
      {"Recordset.State", 1, allTables},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call + " #" + std::to_string(c.occurrence));
    objects.calls = fake::Calls();
    objects.calls.FailAt(c.call, c.occurrence, DataAccessError(access::kProviderFailed, "Fake", "planned"));
    EXPECT_TRUE(session.database.ListTables());
    EXPECT_EQ(session.Output(), c.before + errorList + Report(238, "80004005", "Unspecified failure.", "Fake", "planned"));
    EXPECT_EQ(objects.calls.Count("Recordset.Close"), 0);
  }
}

TEST_F(SchemaListing, AFailedCloseOfTheRowsetIsReportedToo) {
  objects.calls.FailAt("Recordset.Close", 1, DataAccessError(access::kProviderFailed, "Fake", "planned"));
  EXPECT_TRUE(session.database.ListTables());
  EXPECT_EQ(session.Output(), allTables + errorList + Report(238, "80004005", "Unspecified failure.", "Fake", "planned"));
}

TEST_F(SchemaListing, AValueWithoutATextFormIsADataAccessError) {
  connection->schemas[SchemaKind::kCatalogs].rows[1][0] = Variant::Null();
  EXPECT_TRUE(session.database.ListDatabases());
  EXPECT_EQ(session.Output(),
            "main\n" + errorList + Report(277, "80020005", "The value has a type that cannot be converted."));
}

TEST_F(SchemaListing, AProviderWithoutCatalogsSaysSoAlone) {
  objects.calls.FailAt("Connection.OpenSchema", 1, DataAccessError(access::kNotSupported, "Fake", "no catalogs"));
  EXPECT_FALSE(session.database.ListDatabases());
  EXPECT_EQ(session.Output(), "Not support list datebases!\n");

  // Tables have no such exception.
  objects.calls.FailAt("Connection.OpenSchema", 1, DataAccessError(access::kNotSupported, "Fake", "no tables"));
  EXPECT_TRUE(session.database.ListTables());
  EXPECT_EQ(session.Output(), errorList + Report(238, "800a0cb3", "Unknown error 0x800A0CB3", "Fake", "no tables"));
}

TEST_F(SchemaListing, OtherCatalogFailuresAreListedThenReported) {
  objects.calls.FailAt("Field.Value", 2, DataAccessError(access::kProviderFailed, "Fake", "planned"));
  EXPECT_TRUE(session.database.ListDatabases());
  EXPECT_EQ(session.Output(), "main\n" + errorList + Report(277, "80004005", "Unspecified failure.", "Fake", "planned"));
}

// Columns: a table of the columns, a size or default the column has not (NULL) left blank; the name
// reaches the provider as given, and a table without columns gets a line of its own. A failure
// ends the table after the rows read; a provider that cannot list columns says so alone.
TEST_F(SchemaListing, ListsATablesColumns) {
  connection->columns["Account"] = {
      {"COLUMN_NAME", "TYPE_NAME", "COLUMN_SIZE", "IS_NULLABLE", "COLUMN_DEFAULT"},
      {{Variant::Text("id"), Variant::Text("INTEGER"), Variant::Null(), Variant::Text("NO"), Variant::Null()},
       {Variant::Text("name"), Variant::Text("varchar"), Variant::I4(64), Variant::Text("YES"), Variant::Text("'x'")}}};
  const std::string header = "Name | Type    | Size | Nullable | Default\n"
                             "-----+---------+------+----------+--------\n";
  const std::string first = "id   | INTEGER |      | NO       |\n";
  EXPECT_EQ(session.Run("columns Account\ncolumns account\ncolumns \"Account\""),
            header + first + "name | varchar |   64 | YES      | 'x'\n" +
                "No columns: no table \"account\" was found.\n"
                "No columns: no table \"\"Account\"\" was found.\n");
  objects.calls.FailAt("Recordset.MoveNext", 1, DataAccessError(access::kProviderFailed, "Fake", "planned"));
  EXPECT_EQ(session.Run("columns Account"),
            header + first + errorList + Report(255, "80004005", "Unspecified failure.", "Fake", "planned"));
  objects.calls.FailAt("Connection.OpenSchema", 1, DataAccessError(access::kNotSupported, "Fake", "no columns"));
  EXPECT_EQ(session.Run("columns Account"), "This connection cannot list a table's columns.\n");
}

TEST_F(SchemaListing, LeavesTheCurrentRecordAlone) {
  objects.results["select id"] = {{"id"}, {{Variant::I4(1)}, {Variant::I4(2)}}};
  EXPECT_EQ(session.Run("sql select id\nrecord\ntable\ndb\nt"),
            "id              1\n" + kSeparator + "\n" + allTables + "main\ntemp\nid              2\n" + kSeparator + "\n");
}

}  // namespace

}  // namespace ql
