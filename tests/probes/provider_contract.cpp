#include "probes/provider_contract.h"

namespace ql {

using access::Recordset;
using access::Ref;
using access_probe::Hex;
using access_probe::Raised;
using access_probe::RestOfRows;

void PrintTo(const ProviderTarget& target, std::ostream* out) { *out << target.name; }

void ProviderContract::SetUp() {
  database_ = GetParam().freshDatabase(connectionString_);
  connection_ = access_probe::Connect(connectionString_);
}

void ProviderContract::Run(const std::string& sql) {
  Ref<Recordset> recordset = Query(sql);
  ASSERT_EQ(recordset->State(), access::kStateClosed) << sql;
}

void ProviderContract::MakeItems(int rows) {
  Run("CREATE TABLE ql_items (id INTEGER PRIMARY KEY, name VARCHAR(20))");
  for (int id = 1; id <= rows; ++id) {
    Run("INSERT INTO ql_items (id, name) VALUES (" + std::to_string(id) + ", 'item" + std::to_string(id) + "')");
  }
}

TEST_P(ProviderContract, EveryValueTypeReachesTheDisplayWithItsVarType) {
  int table = 0;
  for (const ValueCase& value : GetParam().values) {
    SCOPED_TRACE(value.label);
    const std::string name = "ql_value" + std::to_string(++table);
    Run("CREATE TABLE " + name + " (v " + value.columnType + ")");
    Run("INSERT INTO " + name + " (v) VALUES (" + value.literal + ")");
    Ref<Recordset> rows = Query("SELECT v FROM " + name);
    EXPECT_EQ(access_probe::Describe(rows->GetFields()->Item(0)->Value()), value.expected);
  }
}

TEST_P(ProviderContract, ARowsResultStandsOnItsFirstRowAndWalksToEof) {
  MakeItems(3);
  Ref<Recordset> rows = Query("SELECT id, name FROM ql_items ORDER BY id");
  EXPECT_EQ(rows->State(), access::kStateOpen);
  EXPECT_FALSE(rows->Bof());
  EXPECT_FALSE(rows->Eof());
  EXPECT_EQ(RestOfRows(*rows), "1|item1\n2|item2\n3|item3\n");
  EXPECT_TRUE(rows->Eof());
  EXPECT_FALSE(rows->Bof());
  EXPECT_EQ(Raised([&] { rows->MoveNext(); }), Hex(access::kNoCurrentRecord)) << "MoveNext past EOF";
  EXPECT_TRUE(rows->Eof()) << "a refused move leaves the position";
  EXPECT_EQ(Raised([&] { rows->GetFields()->Item(0)->Value(); }), Hex(access::kNoCurrentRecord)) << "value at EOF";
}

TEST_P(ProviderContract, MoveFirstReturnsToTheFirstRowFromAnywhere) {
  MakeItems(3);
  Ref<Recordset> rows = Query("SELECT id FROM ql_items ORDER BY id");
  rows->MoveNext();
  rows->MoveFirst();
  EXPECT_EQ(RestOfRows(*rows), "1\n2\n3\n");
  rows->MoveFirst();
  EXPECT_FALSE(rows->Bof());
  EXPECT_EQ(RestOfRows(*rows), "1\n2\n3\n");
}

TEST_P(ProviderContract, RecordCountCountsEveryRowFromAnyPositionWithoutMoving) {
  MakeItems(5);
  Ref<Recordset> atStart = Query("SELECT id FROM ql_items ORDER BY id");
  EXPECT_EQ(atStart->RecordCount(), 5);
  EXPECT_EQ(RestOfRows(*atStart), "1\n2\n3\n4\n5\n");

  Ref<Recordset> inMiddle = Query("SELECT id FROM ql_items ORDER BY id");
  inMiddle->MoveNext();
  EXPECT_EQ(inMiddle->RecordCount(), 5);
  EXPECT_EQ(RestOfRows(*inMiddle), "2\n3\n4\n5\n");
  EXPECT_EQ(inMiddle->RecordCount(), 5) << "at EOF";
}

TEST_P(ProviderContract, AnEmptyResultIsBofAndEofAndRefusesBothMoves) {
  MakeItems(2);
  Ref<Recordset> rows = Query("SELECT id FROM ql_items WHERE id < 0");
  EXPECT_EQ(rows->State(), access::kStateOpen);
  EXPECT_TRUE(rows->Bof());
  EXPECT_TRUE(rows->Eof());
  EXPECT_EQ(rows->RecordCount(), 0);
  EXPECT_EQ(Raised([&] { rows->MoveFirst(); }), Hex(access::kNoCurrentRecord));
  EXPECT_EQ(Raised([&] { rows->MoveNext(); }), Hex(access::kNoCurrentRecord));
  EXPECT_EQ(rows->GetFields()->Count(), 1) << "the columns are known without rows";
}

TEST_P(ProviderContract, AStatementWithoutRowsRunsInOpenAndLeavesTheRecordsetClosed) {
  MakeItems(2);
  Ref<Recordset> update = Query("UPDATE ql_items SET name = 'changed' WHERE id = 2");
  EXPECT_EQ(update->State(), access::kStateClosed);
  EXPECT_EQ(Raised([&] { update->Eof(); }), Hex(access::kObjectClosed));
  Ref<Recordset> rows = Query("SELECT name FROM ql_items ORDER BY id");
  EXPECT_EQ(RestOfRows(*rows), "item1\nchanged\n");
}

TEST_P(ProviderContract, ARecordsetNeverOpenedOrClosedRaisesObjectClosed) {
  MakeItems(1);
  Ref<Recordset> never = access::NativeObjects().CreateRecordset();
  EXPECT_EQ(never->State(), access::kStateClosed);
  EXPECT_EQ(Raised([&] { never->MoveFirst(); }), Hex(access::kObjectClosed));
  EXPECT_EQ(Raised([&] { never->MoveNext(); }), Hex(access::kObjectClosed));
  EXPECT_EQ(Raised([&] { never->Bof(); }), Hex(access::kObjectClosed));
  EXPECT_EQ(Raised([&] { never->RecordCount(); }), Hex(access::kObjectClosed));
  EXPECT_EQ(Raised([&] { never->GetFields(); }), Hex(access::kObjectClosed));
  EXPECT_EQ(Raised([&] { never->Close(); }), "none");

  Ref<Recordset> rows = Query("SELECT id FROM ql_items");
  Ref<access::Field> kept = rows->GetFields()->Item(0);
  rows->Close();
  EXPECT_EQ(rows->State(), access::kStateClosed);
  EXPECT_EQ(Raised([&] { rows->Eof(); }), Hex(access::kObjectClosed));
  EXPECT_EQ(Raised([&] { kept->Value(); }), Hex(access::kObjectClosed)) << "a field kept past its recordset's close";
}

TEST_P(ProviderContract, FieldsAreFoundByPositionOrByNameInAnyCase) {
  MakeItems(1);
  Ref<Recordset> rows = Query("SELECT id, name FROM ql_items");
  Ref<access::Fields> fields = rows->GetFields();
  ASSERT_EQ(fields->Count(), 2);
  EXPECT_EQ(fields->Item(1)->Name(), "name");
  EXPECT_EQ(access_probe::Describe(fields->Item("NAME")->Value()), "BSTR:item1");
  EXPECT_EQ(Raised([&] { fields->Item(2); }), Hex(access::kItemNotFound));
  EXPECT_EQ(Raised([&] { fields->Item(-1); }), Hex(access::kItemNotFound));
  EXPECT_EQ(Raised([&] { fields->Item("missing"); }), Hex(access::kItemNotFound));
}

TEST_P(ProviderContract, FailuresRaiseTheirCodesAndFillTheConnectionsErrors) {
  MakeItems(1);
  struct Failure {
    std::string sql;
    access::ResultCode code;
  };
  const Failure failures[] = {
      {"SELEC id FROM ql_items", access::kStatementError},
      {"SELECT id FROM ql_no_such_table", GetParam().missingTableCode},
      {"INSERT INTO ql_items (id, name) VALUES (1, 'again')", access::kConstraintViolated},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.sql);
    try {
      Query(failure.sql);
      ADD_FAILURE() << "no error raised";
    } catch (const access::DataAccessError& error) {
      EXPECT_EQ(Hex(error.Code()), Hex(failure.code));
      ASSERT_TRUE(error.Source().has_value());
      ASSERT_TRUE(error.Description().has_value());
      EXPECT_FALSE(error.Description()->empty());
      EXPECT_TRUE(ErrorsText().starts_with(Hex(failure.code) + " " + *error.Source() + ": " + *error.Description()))
          << ErrorsText();
    }
  }
  // A statement that succeeds leaves no stale records behind.
  Query("SELECT id FROM ql_items");
  EXPECT_EQ(ErrorsText(), "");
}

TEST_P(ProviderContract, AClosedOrNeverOpenedConnectionRefusesWork) {
  Ref<access::Connection> never = access::NativeObjects().CreateConnection();
  Ref<Recordset> rows = access::NativeObjects().CreateRecordset();
  EXPECT_EQ(never->State(), access::kStateClosed);
  auto open = [&](const Ref<access::Connection>& on) { access_probe::Open(*rows, "SELECT 1", on); };
  EXPECT_EQ(Raised([&] { open(never); }), Hex(access::kConnectionUnusable));
  EXPECT_EQ(Raised([&] { open(nullptr); }), Hex(access::kAbsentObject));
  EXPECT_EQ(Raised([&] { never->Close(); }), Hex(access::kObjectClosed));
  EXPECT_EQ(Raised([&] { access_probe::Schema(never, access::SchemaKind::kTables); }),
            Hex(access::kConnectionUnusable));

  connection_->Close();
  EXPECT_EQ(connection_->State(), access::kStateClosed);
  EXPECT_EQ(Raised([&] { open(connection_); }), Hex(access::kConnectionUnusable));
  EXPECT_EQ(Raised([&] { connection_->Close(); }), Hex(access::kObjectClosed));
}

TEST_P(ProviderContract, ClosingTheConnectionClosesItsRecordsets) {
  MakeItems(3);
  Ref<Recordset> rows = Query("SELECT id FROM ql_items ORDER BY id");
  connection_->Close();
  EXPECT_EQ(rows->State(), access::kStateClosed);
  EXPECT_EQ(Raised([&] { rows->MoveNext(); }), Hex(access::kObjectClosed));
  connection_->Open(connectionString_, "", "", 0);
  EXPECT_EQ(RestOfRows(*Query("SELECT id FROM ql_items ORDER BY id")), "1\n2\n3\n") << "reopened";
}

TEST_P(ProviderContract, ARecordsetOutlivesTheReleaseOfItsConnection) {
  MakeItems(4);
  Ref<Recordset> rows = Query("SELECT id FROM ql_items ORDER BY id");
  connection_.Reset();
  EXPECT_EQ(RestOfRows(*rows), "1\n2\n3\n4\n");
  EXPECT_EQ(rows->RecordCount(), 4);
}

TEST_P(ProviderContract, AFailureWhileFetchingIsRaisedByTheMoveThatNeededTheRow) {
  if (GetParam().failsOnThirdRow.empty()) GTEST_SKIP() << "the provider reads every row before the first";
  MakeItems(5);
  Ref<Recordset> rows = Query(GetParam().failsOnThirdRow);
  rows->MoveNext();
  const std::string code = Raised([&] { rows->MoveNext(); });
  EXPECT_NE(code, "none");
  EXPECT_NE(ErrorsText(), "");
  EXPECT_FALSE(rows->Eof()) << "the failed move keeps the second row";
  EXPECT_EQ(Raised([&] { rows->RecordCount(); }), code) << "the rows after the failure never come";
  rows->MoveFirst();
  EXPECT_EQ(Raised([&] { rows->MoveNext(); }), "none") << "rows fetched before the failure stay";
  EXPECT_EQ(Raised([&] { rows->MoveNext(); }), code);
}

TEST_P(ProviderContract, SchemaRowsetsListTablesViewsAndCatalogs) {
  MakeItems(1);
  Run("CREATE VIEW ql_item_names AS SELECT name FROM ql_items");
  Ref<Recordset> tables = access_probe::Schema(connection_, access::SchemaKind::kTables);
  Ref<access::Fields> fields = tables->GetFields();
  for (const char* column : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"}) {
    EXPECT_EQ(Raised([&] { fields->Item(column); }), "none") << column;
  }
  std::string listing;
  while (!tables->Eof()) {
    listing +=
        fields->Item("TABLE_NAME")->Value().ToText() + " [" + fields->Item("TABLE_TYPE")->Value().ToText() + "]\n";
    tables->MoveNext();
  }
  EXPECT_NE(listing.find("ql_items [TABLE]\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("ql_item_names [VIEW]\n"), std::string::npos) << listing;

  Ref<Recordset> catalogs;
  const std::string code = Raised([&] { catalogs = access_probe::Schema(connection_, access::SchemaKind::kCatalogs); });
  if (code == Hex(access::kNotSupported)) return;  // a provider may be unable to list catalogs
  ASSERT_EQ(code, "none");
  EXPECT_FALSE(catalogs->Eof());
  EXPECT_NE(access_probe::Column(*catalogs, "CATALOG_NAME"), "");
}

TEST_P(ProviderContract, AStatementThatChangesRowsTellsHowMany) {
  MakeItems(3);
  const struct {
    const char* sql;
    std::int64_t affected;
  } cases[] = {
      {"UPDATE ql_items SET name = 'changed' WHERE id > 1", 2},
      {"UPDATE ql_items SET name = 'none' WHERE id = 99", 0},
      {"DELETE FROM ql_items WHERE id = 1", 1},
      {"INSERT INTO ql_items (id, name) VALUES (7, 'seven')", 1},
  };
  for (const auto& row : cases) {
    Run(row.sql);
    EXPECT_EQ(connection_->RecordsAffected(), row.affected) << row.sql;
  }
  Ref<Recordset> rows = Query("SELECT id FROM ql_items");
  EXPECT_EQ(connection_->RecordsAffected(), -1) << "a result with rows changed none";
  EXPECT_EQ(rows->ResultsWaiting(), 0) << "one statement, one result";
  EXPECT_FALSE(rows->OpenNextResult());
}

TEST_P(ProviderContract, TheColumnsRowsetListsATablesColumnsInTheirOrder) {
  MakeItems(1);
  Ref<Recordset> columns;
  const std::string code = Raised([&] {
    columns = connection_->OpenSchema(access::SchemaKind::kColumns, access::Variant::Text("ql_items"),
                                      access::Variant::Missing());
  });
  ASSERT_EQ(code, "none") << ErrorsText();
  EXPECT_EQ(access_probe::Column(*columns, "COLUMN_NAME"), "id\nname\n");
  columns->MoveFirst();
  columns->MoveNext();
  Ref<access::Fields> fields = columns->GetFields();
  EXPECT_NE(fields->Item("TYPE_NAME")->Value().ToText(), "");
  EXPECT_EQ(fields->Item("IS_NULLABLE")->Value().ToText(), "YES");
  // No default, or a default of NULL, which ODBC drivers write as the word NULL.
  const access::Variant fallback = fields->Item("COLUMN_DEFAULT")->Value();
  EXPECT_TRUE(fallback.Type() == access::VT_NULL || fallback.ToText() == "NULL") << fallback.ToText();

  Ref<Recordset> none = connection_->OpenSchema(access::SchemaKind::kColumns, access::Variant::Text("ql_no_such_table"),
                                                access::Variant::Missing());
  EXPECT_TRUE(none->Eof()) << "a table that does not exist has no columns";
  EXPECT_EQ(Raised([&] {
              connection_->OpenSchema(access::SchemaKind::kColumns, access::Variant::Missing(),
                                      access::Variant::Missing());
            }),
            Hex(access::kInvalidArgument))
      << "columns of which table?";
}

TEST_P(ProviderContract, TheConnectionDescribesItselfWithoutItsPassword) {
  std::string facts;
  for (const access::ConnectionFact& fact : connection_->Describe()) facts += fact.name + "=" + fact.value + "\n";
  EXPECT_NE(facts.find(std::string(access::kFactProvider) + "="), std::string::npos) << facts;
  for (const std::string& secret : GetParam().secrets) {
    if (!secret.empty()) {
      EXPECT_EQ(facts.find(secret), std::string::npos) << facts;
    }
  }
  connection_->Close();
  EXPECT_EQ(Raised([&] { connection_->Describe(); }), Hex(access::kConnectionUnusable));
}

}  // namespace ql
