// Access files through the data-access layer and the real MDBTools driver: what is checked before
// the driver sees a file, the values and their types, and how the driver's failures are reported.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "access/data_access.h"
#include "access/ole_date.h"
#include "probes/access_probe.h"
#include "shared_test_files.h"
#include "support/temporary_directory.h"

namespace ql {

namespace {

using access_probe::Describe;
using access_probe::Hex;
using access_probe::Query;
using access_probe::Raised;

access::Ref<access::Connection> OpenFile(const std::string& path) {
  return access_probe::Connect("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path + "\"");
}

// The first record of the connection's Errors as "code description".
std::string FirstError(const access::Ref<access::Connection>& connection) {
  access::Ref<access::Errors> errors = connection->GetErrors();
  if (errors->Count() == 0) return "no errors";
  access::Ref<access::Error> first = errors->Item(0);
  return Hex(first->Number()) + " " + first->Description();
}

TEST(AccessFile, FilesTheDriverCannotReadAreReportedBeforeItSeesThem) {
  MDB_REQUIRE_FILE(nwind, "nwind.mdb");
  const testsupport::TemporaryDirectory directory;
  std::ofstream(directory / "notes.mdb") << "not a database\n";
  {
    std::ifstream in(nwind, std::ios::binary);
    std::string head(3000, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    std::ofstream(directory / "cut.mdb", std::ios::binary) << head;
  }
  struct Case {
    std::string path;
    std::string error;  // how the first record of Errors starts, after the code
  };
  const Case cases[] = {
      {(directory / "absent.mdb").string(), "Could not find file '" + (directory / "absent.mdb").string() + "'."},
      {(directory / "absent" / "x.mdb").string(), "Could not find file"},
      {directory.Path().string(), "'" + directory.Path().string() + "' is a directory"},
      {(directory / "notes.mdb").string(),
       "'" + (directory / "notes.mdb").string() + "' is not an Access database file."},
      {(directory / "cut.mdb").string(), "'" + (directory / "cut.mdb").string() + "' is cut short"},
  };
  for (const Case& c : cases) {
    access::Ref<access::Connection> connection = access::NativeObjects().CreateConnection();
    EXPECT_EQ(Raised([&] { connection->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + c.path, "", "", 0); }),
              Hex(access::kProviderFailed));
    const std::string error = Hex(access::kProviderFailed) + " " + c.error;
    EXPECT_EQ(FirstError(connection).substr(0, error.size()), error);
    EXPECT_EQ(connection->State(), access::kStateClosed);
  }
}

TEST(AccessFile, AnyFileNameReachesTheDriverWhole) {
  MDB_REQUIRE_FILE(nwind, "nwind.mdb");
  // The driver would cut this name at the ';', overrun its 256-byte buffer with it, and take the
  // "DSN" in it for a data source name.
  const testsupport::TemporaryDirectory directory;
  const std::filesystem::path folder = directory / "DSN=x;DBQ=y" / std::string(150, 'n');
  std::filesystem::create_directories(folder);
  const std::filesystem::path copy = folder / (std::string(100, 'n') + " wind.mdb");
  std::filesystem::copy_file(nwind, copy);
  ASSERT_GT(copy.string().size(), 256u);
  access::Ref<access::Connection> connection = OpenFile(copy.string());
  EXPECT_EQ(access_probe::Column(*Query(connection, "select CompanyName from Shippers"), "CompanyName"),
            "Speedy Express\nUnited Package\nFederal Shipping\n");
}

TEST(AccessFile, ValuesComeWithTheirTypes) {
  MDB_REQUIRE_FILE(nwind, "nwind.mdb");
  access::Ref<access::Connection> connection = OpenFile(nwind);
  struct Case {
    std::string sql;
    std::string value;
  };
  const Case cases[] = {
      {"select ProductID from Products where ProductID = 1", "I4:1"},
      {"select UnitsInStock from Products where ProductID = 1", "I2:39"},
      {"select UnitPrice from Products where ProductID = 1", "DECIMAL:18.0000"},  // currency
      {"select Discontinued from Products where ProductID = 5", "BOOL:True"},
      {"select BirthDate from Employees where EmployeeID = 1", "DATE:1948-12-08"},
      {"select Region from Customers where CustomerID = 'ALFKI'", "NULL:<null>"},
      {"select City from Customers where CustomerID = 'ANATR'", "BSTR:M\xC3\xA9xico D.F."},
      {"select Photo from Employees where EmployeeID = 1", "BYTES:<21626 bytes>"},
  };
  for (const Case& c : cases) {
    access::Ref<access::Recordset> recordset = Query(connection, c.sql);
    EXPECT_EQ(Describe(recordset->GetFields()->Item(0)->Value()), c.value) << c.sql;
  }
  // Memo: long text, whole.
  access::Ref<access::Recordset> notes = Query(connection, "select Notes from Employees where EmployeeID = 1");
  const access::Variant memo = notes->GetFields()->Item(0)->Value();
  EXPECT_EQ(memo.Type(), access::VT_BSTR);
  EXPECT_TRUE(memo.ToText().ends_with("Toastmasters International.")) << memo.ToText();
}

// A table's columns as the driver describes them (it knows no sizes, defaults or NULLs allowed), and
// the file the connection is on.
TEST(AccessFile, ColumnsOfATableAndTheConnectionsFacts) {
  MDB_REQUIRE_FILE(nwind, "nwind.mdb");
  access::Ref<access::Connection> connection = OpenFile(nwind);
  const std::pair<std::string, std::string> cases[] = {
      {"Shippers",
       "ShipperID|LONGINT|<null>|NO|<null>\nCompanyName|TEXT|<null>|NO|<null>\nPhone|TEXT|<null>|NO|<null>\n"},
      {"Nowhere", ""},
  };
  for (const auto& [table, columns] : cases) {
    access::Ref<access::Recordset> rows =
        connection->OpenSchema(access::SchemaKind::kColumns, access::Variant::Text(table), access::Variant::Missing());
    EXPECT_EQ(access_probe::RestOfRows(*rows), columns) << table;
  }
  std::string facts;
  for (const access::ConnectionFact& fact : connection->Describe()) facts += fact.name + "=" + fact.value + "\n";
  EXPECT_TRUE(facts.starts_with("Provider=Access file, read-only (ODBC: MDBTools)\nDatabase=" + nwind + "\n")) << facts;
}

TEST(AccessFile, DatesTheDriverCannotReadAreDatesOutOfRange) {
  MDB_REQUIRE_FILE(datetest, "datetest.mdb");
  access::Ref<access::Connection> connection =
      access_probe::Connect("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + datetest);
  access::Ref<access::Recordset> rows = Query(connection, "select IDCol, DateTimeCol from DateTest");
  std::string seen;
  for (; !rows->Eof(); rows->MoveNext()) {
    const access::Variant date = rows->GetFields()->Item(1)->Value();
    ASSERT_EQ(date.Type(), access::VT_DATE);
    seen += rows->GetFields()->Item(0)->Value().ToText() + (access::SplitOleDate(date.Real()) ? "=date " : "=beyond ");
  }
  // Row 2 holds the year 9999, rows 3 and 4 years before 1900 and 1000: the driver reads none.
  EXPECT_EQ(seen, "1=date 2=beyond 3=beyond 4=beyond 5=date 6=date ");
}

TEST(AccessFile, TheDriversFailuresArriveWithItsOwnWords) {
  MDB_REQUIRE_FILE(nwind, "nwind.mdb");
  access::Ref<access::Connection> connection = OpenFile(nwind);
  struct Case {
    std::string sql;
    access::ResultCode code;
    std::string error;  // how the first record of Errors starts, after the code
  };
  const Case cases[] = {
      {"select * from Nowhere", access::kNoSuchTable, "Nowhere is not a table in this database"},
      {"select * from Customers where", access::kStatementError, "Error at Line : syntax error"},
      {"select Nothing from Customers", access::kStatementError, "Column Nothing not found"},
      {"delete from Customers", access::kPermissionDenied, "The Access file is open read-only"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Raised([&] { Query(connection, c.sql); }), Hex(c.code)) << c.sql;
    const std::string error = Hex(c.code) + " " + c.error;
    EXPECT_EQ(FirstError(connection).substr(0, error.size()), error) << c.sql;
  }
  // Access files name no catalogs; the connection stays usable after all of the above.
  EXPECT_EQ(Raised([&] { access_probe::Schema(connection, access::SchemaKind::kCatalogs); }),
            Hex(access::kNotSupported));
  EXPECT_EQ(Query(connection, "select * from Customers")->RecordCount(), 91);
}

}  // namespace

}  // namespace ql
