// Values through the ODBC provider on every engine: values longer than any buffer, results that
// span several fetch blocks, and UTF-8 both ways.

#include "odbc_engine.h"
#include "probes/access_probe.h"

namespace ql {

using access::Recordset;
using access::Ref;
using access_probe::RestOfRows;

namespace {

const std::string kWord =
    "gr\xC3\xBC\xC3\x9F"
    "e \xE2\x9C\x93 \xF0\x9F\x98\x80 ";

using OdbcValues = OdbcEngineTest;

TEST_P(OdbcValues, LongTextAndBinaryComeBackWholeAndUnchanged) {
  Ref<Recordset> rows = Query("SELECT " + engine().repeat("'" + kWord + "'", 30000) + ", " + engine().blob);
  Ref<access::Fields> fields = rows->GetFields();
  const access::Variant text = fields->Item(0)->Value();
  ASSERT_EQ(text.Type(), access::VT_BSTR);
  EXPECT_EQ(text.Bytes().size(), kWord.size() * 30000);
  EXPECT_TRUE(text.Bytes() == Repeated(kWord, 30000)) << "the long text differs";
  const access::Variant blob = fields->Item(1)->Value();
  ASSERT_EQ(blob.Type(), access::VT_ARRAY | access::VT_UI1);
  EXPECT_EQ(blob.Bytes().size(), engine().blobBytes.size());
  EXPECT_TRUE(blob.Bytes() == engine().blobBytes) << "the binary value differs";
}

TEST_P(OdbcValues, RowsAcrossFetchBlocksKeepEveryValueNullAndLongCell) {
  // Every fifth value NULL, every seventh longer than a bound buffer, the rest short: the long ones
  // are read again in the middle of a block.
  const std::string value = "CASE WHEN n % 5 = 0 THEN NULL WHEN n % 7 = 0 THEN " + engine().repeat("'\xC3\xBC'", 3000) +
                            " ELSE " + engine().concat("'v'", "n") + " END";
  Ref<Recordset> rows = Query("SELECT n, " + value + " AS v FROM (" + engine().numbers(1500) + ") s ORDER BY n");
  std::string expected;
  for (int n = 1; n <= 1500; ++n) {
    expected += std::to_string(n) + "|";
    if (n % 5 == 0) {
      expected += "<null>";
    } else if (n % 7 == 0) {
      expected += Repeated("\xC3\xBC", 3000);
    } else {
      expected.append("v").append(std::to_string(n));
    }
    expected += "\n";
  }
  EXPECT_TRUE(RestOfRows(*rows) == expected) << "the rows differ";
  EXPECT_EQ(rows->RecordCount(), 1500);
}

TEST_P(OdbcValues, Utf8StatementsNamesAndValuesRoundTrip) {
  const std::string name =
      "gr\xC3\xB6\xC3\x9F"
      "e";
  Ref<Recordset> rows = Query("SELECT " + engine().charLength + "('" + kWord + "') AS " + engine().quote + name +
                              engine().quote + ", '" + kWord + "'");
  Ref<access::Fields> fields = rows->GetFields();
  EXPECT_EQ(fields->Item(0)->Name(), name);
  EXPECT_EQ(access_probe::Describe(fields->Item(0)->Value()), "I4:10") << "the server counts characters, not bytes";
  EXPECT_EQ(access_probe::Describe(fields->Item(1)->Value()), "BSTR:" + kWord);
}

// Bytes that are markup to the console or controls to a terminal are data like any other: they come
// back as stored, in values and in names. A NUL hides nothing where the engine and its driver hand
// it over: PostgreSQL text cannot hold one, and the SQLite ODBC driver gives text lengths that end
// at it.
TEST_P(OdbcValues, MarkupAndControlBytesComeBackAsStored) {
  const std::string value = "price #1 #0c ## \x1b]0;t\x07 \x1b[2J \x7f \xC2\x9B";
  const std::string name = "C#ab\x1b[31m";
  Ref<Recordset> rows = Query("SELECT '" + value + "' AS " + engine().quote + name + engine().quote);
  Ref<access::Fields> fields = rows->GetFields();
  EXPECT_EQ(fields->Item(0)->Name(), name);
  EXPECT_EQ(access_probe::Describe(fields->Item(0)->Value()), "BSTR:" + value);
  if (engine().server != "mariadb") return;
  rows = Query("SELECT 'a\\0b'");
  EXPECT_EQ(access_probe::Describe(rows->GetFields()->Item(0)->Value()), std::string("BSTR:a\0b", 8));
}

INSTANTIATE_TEST_SUITE_P(Odbc, OdbcValues, testing::Values(&PostgresEngine(), &MariadbEngine(), &SqliteOdbcEngine()),
                         EngineName);

}  // namespace

}  // namespace ql
