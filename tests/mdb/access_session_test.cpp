// Sessions on the shared Access files through the built program, as a user types them, and Open on
// SQL Server strings where no server answers.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "shared_test_files.h"
#include "support/run_program.h"
#include "support/temporary_directory.h"
#include "support/transcript.h"
#include "support/unused_port.h"

namespace ql {

namespace {

const std::string kSeparator = std::string(79, '-') + "\n";

// The output up to the closing lines; fails the test unless the program ended with them, exit code 0
// and nothing on standard error but the program's notes (a driver writing there fails it).
std::string Transcript(const std::string& script) {
  SCOPED_TRACE(script);
  return testsupport::Transcript(testsupport::RunProgram(script));
}

std::string OpenLine(const std::string& provider, const std::string& path) {
  return "open \"Provider=" + provider + ";Data Source=" + path + ";\"\n";
}

const std::string kNwindTables =
    "MSysObjects [SYSTEM TABLE]\n"
    "MSysACEs [SYSTEM TABLE]\n"
    "MSysQueries [SYSTEM TABLE]\n"
    "MSysRelationships [SYSTEM TABLE]\n"
    "Alphabetical List of Products [VIEW]\n"
    "Catalog [VIEW]\n"
    "Category Sales for 1995 [VIEW]\n"
    "Current Product List [VIEW]\n"
    "Customers and Suppliers by City [VIEW]\n"
    "Employee Sales by Country [VIEW]\n"
    "Invoices [VIEW]\n"
    "Invoices Filter [VIEW]\n"
    "MSysIMEXColumns [SYSTEM TABLE]\n"
    "MSysIMEXSpecs [SYSTEM TABLE]\n"
    "MSysModules [SYSTEM TABLE]\n"
    "Order Details [TABLE]\n"
    "Order Details Extended [VIEW]\n"
    "Order Subtotals [VIEW]\n"
    "Orders [TABLE]\n"
    "Product Sales for 1995 [VIEW]\n"
    "Products [TABLE]\n"
    "Products by Category [VIEW]\n"
    "Quarterly Orders [VIEW]\n"
    "Quarterly Orders by Product [VIEW]\n"
    "Sales by Year [VIEW]\n"
    "Sales Totals by Amount [VIEW]\n"
    "Shippers [TABLE]\n"
    "Summary of Sales by Year [VIEW]\n"
    "Ten Most Expensive Products [VIEW]\n"
    "Categories [TABLE]\n"
    "Customers [TABLE]\n"
    "Employees [TABLE]\n"
    "MSysCmdbars [SYSTEM TABLE]\n"
    "MSysModules2 [SYSTEM TABLE]\n"
    "Orders Qry [VIEW]\n"
    "Products Above Average Price [VIEW]\n"
    "Sales by Category [VIEW]\n"
    "Summary of Sales by Quarter [VIEW]\n"
    "Suppliers [TABLE]\n"
    "MSysAccessObjects [SYSTEM TABLE]\n"
    "Ums\xC3\xA4tze [TABLE]\n";

TEST(AccessSession, TheDemonstrationReplaysOnARealAccessFile) {
  MDB_REQUIRE_FILE(nwind, "nwind.mdb");
  const std::string script = OpenLine("Microsoft.Jet.OLEDB.4.0", nwind) +
                             "table\n"
                             "sql \"select * from Customers\"\n"
                             "record\n"
                             "t\n"
                             "count\n"
                             "db\n"
                             "close\n";
  const std::string expected =
      "-"
      "-" +
      kNwindTables +
      "-"
      "-CustomerID      \"ALFKI\"\n"
      "CompanyName     \"Alfreds Futterkiste\"\n"
      "ContactName     \"Maria Anders\"\n"
      "ContactTitle    \"Sales Representative\"\n"
      "Address         \"Obere Str. 57\"\n"
      "City            \"Berlin\"\n"
      "Region          <NULL>\n"
      "PostalCode      \"12209\"\n"
      "Country         \"Germany\"\n"
      "Phone           \"030-0074321\"\n"
      "Fax             \"030-0076545\"\n" +
      kSeparator +
      "-CustomerID      \"ANATR\"\n"
      "CompanyName     \"Ana Trujillo Emparedados y helados\"\n"
      "ContactName     \"Ana Trujillo\"\n"
      "ContactTitle    \"Owner\"\n"
      "Address         \"Avda. de la Constituci\xC3\xB3n 2222\"\n"
      "City            \"M\xC3\xA9xico D.F.\"\n"
      "Region          <NULL>\n"
      "PostalCode      \"05021\"\n"
      "Country         \"Mexico\"\n"
      "Phone           \"(5) 555-4729\"\n"
      "Fax             \"(5) 555-3745\"\n" +
      kSeparator +
      "-91 record(s) in current recordset.\n"
      "-Not support list datebases!\n"
      "--";
  EXPECT_EQ(Transcript(script), expected);
}

TEST(AccessSession, EveryDateOfTheEdgeFileShowsItsFieldsOrALineOfItsOwn) {
  MDB_REQUIRE_FILE(datetest, "datetest.mdb");
  const std::string script = OpenLine("Microsoft.ACE.OLEDB.12.0", datetest) +
                             "sql select IDCol, DateTimeCol, DateCol, TimeCol, LongTextCol from DateTest\n"
                             "record\nt\nt\nt\nt\nt\n"
                             "t\n"  // past the last row: nothing at all
                             "count\n";
  // Rows 2 to 4 hold the year 9999 and years before 1900 and 1000, which the driver cannot read.
  const std::string ordinary =
      "DateTimeCol     2021/12/2 0:0:0\nDateCol         2021/12/2 0:0:0\nTimeCol         2021/12/2 0:0:0\n";
  const std::string beyond = "DateTimeCol     <Date out of range>\nDateCol         <Date out of range>\n";
  const std::string expected =
      "--"
      "-IDCol           1\n" +
      ordinary + "LongTextCol     \"Hello\"\n" + kSeparator + "-IDCol           2\n" + beyond +
      "TimeCol         <Date out of range>\nLongTextCol     \"Year 9999\"\n" + kSeparator + "-IDCol           3\n" +
      beyond + "TimeCol         1900/1/1 0:0:0\nLongTextCol     \"Pre-1900 years\"\n" + kSeparator +
      "-IDCol           4\n" + beyond + "TimeCol         <Date out of range>\nLongTextCol     \"Pre-1000 years\"\n" +
      kSeparator + "-IDCol           5\n" + ordinary + "LongTextCol     \"Escaped new line \\r\\n in field\"\n" +
      kSeparator + "-IDCol           6\n" + ordinary + "LongTextCol     \"New line\r\nin field\"\n" + kSeparator +
      "-"
      "-6 record(s) in current recordset.\n"
      "-";
  EXPECT_EQ(Transcript(script), expected);
}

TEST(AccessSession, StatementsThatWouldChangeTheFileAreRefusedAndItStaysAsItWas) {
  MDB_REQUIRE_FILE(nwind, "nwind.mdb");
  const testsupport::TemporaryDirectory directory;
  const std::string copy = (directory / "nwind.mdb").string();
  std::filesystem::copy_file(nwind, copy);
  const std::string before = mdbtest::FileDigest(copy);
  const std::string refusal =
      "---------------- Error @442 ---------------\n"
      "> Code = 80040e09\n";
  const std::string writes[] = {
      "sql delete from Shippers\n",
      "sql insert into Shippers (CompanyName) values ('x')\n",
      "sql update Shippers set Phone = '1'\n",
      "sql drop table Shippers\n",
      "sql select * into Copy from Shippers\n",
      "sql \"select * from Shippers; delete from Shippers\"\n",
  };
  for (const std::string& write : writes) {
    const std::string transcript =
        Transcript(OpenLine("Microsoft.Jet.OLEDB.4.0", copy) + write + "sql select * from Shippers\ncount\n");
    EXPECT_NE(transcript.find(refusal), std::string::npos) << write << transcript;
    EXPECT_NE(transcript.find("read-only"), std::string::npos) << write << transcript;
    EXPECT_TRUE(transcript.ends_with("-3 record(s) in current recordset.\n-")) << write << transcript;
  }
  EXPECT_EQ(mdbtest::FileDigest(copy), before);
}

TEST(AccessSession, AMissingFileOrABadStatementIsReportedAndTheProgramGoesOn) {
  MDB_REQUIRE_FILE(nwind, "nwind.mdb");
  const std::string script = OpenLine("Microsoft.Jet.OLEDB", "/nowhere/nwind.mdb") +
                             OpenLine("Microsoft.ACE.OLEDB", nwind) +
                             "sql select * from Nowhere\n"
                             "sql select CompanyName from Shippers\n"
                             "record\n";
  const std::string expected =
      "---------------- Error @101 ---------------\n"
      "> Code = 80004005\n"
      "> Code meaning = Unspecified failure.\n"
      "> Source = Access\n"
      "> Description = Could not find file '/nowhere/nwind.mdb'.\n"
      "--------------- Error @101 ---------------\n"
      "--"  // the second open prints nothing
      "--------------- Error @442 ---------------\n"
      "> Code = 80040e37\n";
  const std::string transcript = Transcript(script);
  EXPECT_EQ(transcript.substr(0, expected.size()), expected);
  EXPECT_NE(transcript.find("> Description = Nowhere is not a table in this database\n"), std::string::npos)
      << transcript;
  EXPECT_TRUE(transcript.ends_with("-CompanyName     \"Speedy Express\"\n" + kSeparator + "-")) << transcript;
}

TEST(SqlServerSession, OpenFailsWithAReportWhenNoServerAnswersOrTheLoginCannotBeHad) {
  const testsupport::UnusedPort unused;
  ASSERT_NE(unused.Port(), 0);
  const std::string script = "open \"Provider=SQLOLEDB;Data Source=127.0.0.1," + std::to_string(unused.Port()) +
                             ";Initial Catalog=Master;User Id=sa;Password=kqz;Connect Timeout=5;\"\n"
                             "open \"Provider=SQLOLEDB;Data Source=(local);Integrated Security=SSPI;\"\n";
  const std::string transcript = Transcript(script);
  const std::string unreachable =
      "---------------- Error @101 ---------------\n"
      "> Code = 80004005\n"
      "> Code meaning = Unspecified failure.\n"
      "> Source = FreeTDS\n";
  const std::string refused =
      "---------------- Error @101 ---------------\n"
      "> Code = 800a0cb3\n";
  EXPECT_TRUE(transcript.starts_with(unreachable)) << transcript;
  EXPECT_NE(transcript.find("Unable to connect"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find(refused), std::string::npos) << transcript;
  EXPECT_NE(transcript.find("> Description = Integrated Security=SSPI logs in as the Windows user"), std::string::npos)
      << transcript;
  // The password never reaches the screen.
  EXPECT_EQ(transcript.find("kqz"), std::string::npos) << transcript;
}

}  // namespace

}  // namespace ql
