// The ODBC provider's own rules, without a database: SQLSTATE mapping, reading fetched text as typed
// values, UTF-16, and the connection string handed to the driver manager.

#include <gtest/gtest.h>
#include <sqlext.h>

#include "access/core/provider_table.h"
#include "access/core/value_text.h"
#include "access/odbc/odbc_errors.h"
#include "access/odbc/odbc_handle.h"
#include "access/odbc/odbc_keys.h"
#include "access/odbc/odbc_messages.h"
#include "probes/access_probe.h"

namespace ql {

namespace {

using access::ResultCode;
using access_probe::Hex;

TEST(OdbcDiagnostics, SqlStatesAndDriverCodesMapOntoResultCodes) {
  const access::DriverIdentity postgres{"psqlodbcw.so", "psqlodbcw.so"};
  const access::DriverIdentity mariadb{"libmaodbc.so", "libmaodbc.so"};
  const access::DriverIdentity sqlite{"sqlite3odbc.so", "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"};
  struct Case {
    const char* state;
    SQLINTEGER native;
    const char* message;
    const access::DriverIdentity& driver;
    ResultCode expected;
  };
  // Exact states before their class; the class rules; native codes only for their own driver.
  const Case cases[] = {
      {"42601", 1, "syntax", postgres, access::kStatementError},
      {"42S22", 1054, "unknown column", mariadb, access::kStatementError},
      {"42P01", 1, "no table", postgres, access::kNoSuchTable},
      {"42501", 1, "denied", postgres, access::kPermissionDenied},
      {"23505", 1, "duplicate", postgres, access::kConstraintViolated},
      {"28P01", 1, "password", postgres, access::kAuthenticationFailed},
      {"08S01", 2013, "lost", mariadb, access::kProviderFailed},
      {"57014", 1, "canceling statement", postgres, access::kCancelled},
      {"HY018", 1317, "interrupted", mariadb, access::kCancelled},
      {"HY018", 1317, "elsewhere", postgres, access::kProviderFailed},
      {"HY000", 19, "[SQLite]UNIQUE constraint failed: t.id", sqlite, access::kConstraintViolated},
      {"HY000", 1, "[SQLite]no such table: t", sqlite, access::kNoSuchTable},
      {"HY000", 1, "[SQLite]near \"selec\": syntax error", sqlite, access::kStatementError},
      {"HY000", 19, "general error", postgres, access::kProviderFailed},
      {"01000", 0, "can't open lib", postgres, access::kProviderFailed},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(access::MapDiagnostic(c.state, c.native, c.message, c.driver)), Hex(c.expected))
        << c.state << " " << c.native << " from " << c.driver.name;
  }
}

// A call that fails with no diagnostic records says what failed; once its statement was cancelled,
// the failure is the cancel (a driver may fail a cancelled call without a word).
TEST(OdbcDiagnostics, AFailureWithoutRecordsSaysWhatFailedOrThatItWasCancelled) {
  const access::DriverIdentity driver{"libmaodbc.so", "libmaodbc.so"};
  for (const bool cancelled : {false, true}) {
    access::ErrorList errors;
    EXPECT_THROW(access::RaiseDiagnostics(errors, SQL_HANDLE_STMT, SQL_NULL_HSTMT, driver, "Running the statement",
                                          nullptr, cancelled),
                 access::DataAccessError);
    ASSERT_EQ(errors.Records().size(), 1u);
    EXPECT_EQ(Hex(errors.Records()[0].number), Hex(cancelled ? access::kCancelled : access::kProviderFailed));
    EXPECT_EQ(errors.Records()[0].description, cancelled
                                                   ? "Running the statement was cancelled."
                                                   : "Running the statement failed, and the driver gave no reason.");
  }
}

TEST(OdbcMessages, ARecordGivesEachMessageItCarriesWithItsLevel) {
  struct Case {
    const char* state;
    SQLINTEGER native;
    std::string text;
    std::string messages;  // "LEVEL|text" per message
  };
  const Case cases[] = {
      // psqlODBC: the notices of one call in one record; a ';' in a message that no level follows stays.
      {"00000", -1, "NOTICE: a;WARNING: b;INFO: c;d;LOG: e", "NOTICE|a\nWARNING|b\nINFO|c;d\nLOG|e\n"},
      {"01000", -1, "WARNING: w\nDETAIL: why", "WARNING|w\nDETAIL: why\n"},
      {"01000", -1, "NOTICE:no blank", "WARNING|NOTICE:no blank\n"},
      {"01S00", 0, "[unixODBC]Invalid connection string attribute",
       "WARNING|[unixODBC]Invalid connection string attribute\n"},
      {"00000", 0, "plain", "INFO|plain\n"},
      {"01004", 0, "String data, right truncated", ""},
      {"01S02", 0, "Option value changed", ""},
      {"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'master'.", ""},
      {"01000", 5702, "[FreeTDS][SQL Server]Something else", "WARNING|[FreeTDS][SQL Server]Something else\n"},
  };
  for (const Case& c : cases) {
    std::string messages;
    for (const access::ServerMessage& message : access::MessagesOfRecord(c.state, c.native, c.text)) {
      messages += message.level + "|" + message.text + "\n";
    }
    EXPECT_EQ(messages, c.messages) << c.text;
  }
}

// What a fetched value becomes, as "TYPE:text".
std::string Fetched(access::ValueKind kind, std::string_view bytes) {
  access::RowStore store(1);
  access::RowWriter writer = store.BeginRow();
  access::PutFetchedValue(kind, bytes, writer);
  store.EndRow();
  return access_probe::Describe(store.Value(0, 0));
}

TEST(OdbcCells, FetchedTextBecomesTheValueOfItsColumnsKindOrStaysText) {
  using K = access::ValueKind;
  struct Case {
    K kind;
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {K::kTinyInt, "-128", "I1:-128"},
      {K::kTinyInt, "200", "I4:200"},
      {K::kSmallInt, "-32768", "I2:-32768"},
      {K::kSmallInt, "65535", "I4:65535"},
      {K::kInteger, "+7", "I4:7"},
      {K::kInteger, "-9223372036854775808", "I8:-9223372036854775808"},
      {K::kInteger, "18446744073709551615", "UI8:18446744073709551615"},
      {K::kInteger, "9223372036854775808", "UI8:9223372036854775808"},
      {K::kInteger, "18446744073709551616", "DECIMAL:18446744073709551616"},
      {K::kInteger, "12abc", "BSTR:12abc"},
      {K::kInteger, "", "BSTR:"},
      {K::kReal, "0.25", "R4:0.25"},
      {K::kDouble, "-Infinity", "R8:-inf"},
      {K::kDouble, "1e999", "BSTR:1e999"},
      {K::kDouble, "2.5 ", "BSTR:2.5 "},
      // Money as the PostgreSQL driver writes it: currency where it fits, exact digits beyond.
      {K::kDouble, "$1,234.56", "CY:1234.56"},
      {K::kDouble, "-$0.01", "CY:-0.01"},
      {K::kDouble, "-$92,233,720,368,547,758.08", "DECIMAL:-92233720368547758.08"},
      {K::kDouble, "$1,23.00", "BSTR:$1,23.00"},
      {K::kDouble, "$,100", "BSTR:$,100"},
      {K::kDouble, "12,50 \xE2\x82\xAC", "BSTR:12,50 \xE2\x82\xAC"},
      {K::kDecimal, "-0012.50", "DECIMAL:-12.50"},
      {K::kDecimal, "NaN", "BSTR:NaN"},
      {K::kDecimal, "1.2.3", "BSTR:1.2.3"},
      {K::kBool, "1", "BOOL:True"},
      {K::kBool, "f", "BOOL:False"},
      {K::kBool, std::string("\1", 1), "BOOL:True"},
      {K::kBool, std::string("\0", 1), "BOOL:False"},
      {K::kBool, "yes", "BSTR:yes"},
      {K::kDate, "2004-03-02", "DATE:2004-03-02"},
      {K::kDate, "2004-03-02 14:05:09", "DATE:2004-03-02 14:05:09"},
      // Seconds are truncated; a zone or an era is kept with the value as its text.
      {K::kDate, "2004-03-02T14:05:09.6", "DATE:2004-03-02 14:05:09"},
      {K::kDate, "2004-12-31 23:59:59.999999", "DATE:2004-12-31 23:59:59"},
      {K::kDate, "2004-03-02T14:05:09.6+05:30", "BSTR:2004-03-02T14:05:09.6+05:30"},
      {K::kDate, "2004-03-02 23:59:59.7Z", "BSTR:2004-03-02 23:59:59.7Z"},
      {K::kDate, "0044-03-15 10:00:00 BC", "BSTR:0044-03-15 10:00:00 BC"},
      {K::kDate, "14:05:09", "DATE:1899-12-30 14:05:09"},
      {K::kDate, "1899-12-29 18:00:00.4", "DATE:1899-12-29 18:00:00"},
      {K::kDate, "0099-01-01", "BSTR:0099-01-01"},
      {K::kDate, "2003-02-30", "BSTR:2003-02-30"},
      {K::kDate, "2004-03-02 BC", "BSTR:2004-03-02 BC"},
      {K::kDate, "838:59:59", "BSTR:838:59:59"},
      {K::kDate, "2004-03", "BSTR:2004-03"},
      {K::kDate, "infinity", "BSTR:infinity"},
      {K::kText,
       "gr\xC3\xBC\xC3\x9F"
       "e",
       "BSTR:gr\xC3\xBC\xC3\x9F"
       "e"},
      {K::kBinary, std::string("\0\xff\0", 3), "BYTES:<3 bytes>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fetched(c.kind, c.bytes), c.expected) << "\"" << c.bytes << "\"";
  }
}

// UTF-16 code units in the machine's order, as SQL_C_WCHAR delivers them.
std::string Units(std::initializer_list<char16_t> units) {
  std::string bytes;
  for (char16_t unit : units) bytes.append(reinterpret_cast<const char*>(&unit), 2);
  return bytes;
}

TEST(OdbcCells, WideTextBecomesUtf8AndBrokenSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(access::Utf16ToUtf8(Units({u'g', 0x00FC, 0x2713, 0xD83D, 0xDE00})),
            "g\xC3\xBC\xE2\x9C\x93\xF0\x9F\x98\x80");
  EXPECT_EQ(access::Utf16ToUtf8(Units({0xD83D, u'x'})), "\xEF\xBF\xBDx") << "a high surrogate alone";
  EXPECT_EQ(access::Utf16ToUtf8(Units({0xDE00})), "\xEF\xBF\xBD") << "a low surrogate alone";
  EXPECT_EQ(access::Utf16ToUtf8(Units({u'a'}) + "\x62"), "a") << "an odd byte at the end";
  EXPECT_EQ(Fetched(access::ValueKind::kWideText, Units({u'o', u'k'})), "BSTR:ok");
}

class OdbcConnectRequest : public testing::Test {
 protected:
  void SetUp() override {
    environment_ = access::OdbcHandle::Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    ASSERT_TRUE(environment_);
    SQLSetEnvAttr(environment_.Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  access::ConnectRequest Make(const std::string& text) {
    return access::MakeConnectRequest(access::ConnectionString::Parse(text), environment_.Get(), errors_);
  }

  access::OdbcHandle environment_;
  access::ErrorList errors_;
};

TEST_F(OdbcConnectRequest, InstalledDriversGetTheSettingsThatKeepThemQuietUnlessTheStringSetsThem) {
  struct Case {
    std::string given;
    std::string sent;
  };
  const Case cases[] = {
      {"Driver={PostgreSQL Unicode};Server=h",
       "Driver={PostgreSQL Unicode};Server=h;CommLog=0;Debug=0;BoolsAsChar=0;UseDeclareFetch=1;Fetch=1000"},
      {"Driver={PostgreSQL Unicode};commlog=1;BoolsAsChar=1;UseDeclareFetch=0",
       "Driver={PostgreSQL Unicode};commlog=1;BoolsAsChar=1;UseDeclareFetch=0;Debug=0;Fetch=1000"},
      {"Driver={MariaDB Unicode};Connect Timeout=3", "Driver={MariaDB Unicode};CONN_TIMEOUT=3"},
      {"Driver={MariaDB Unicode};conn_timeout=9", "Driver={MariaDB Unicode};conn_timeout=9"},
      {"Driver={SQLite3};Database=/tmp/x.db", "Driver={SQLite3};Database=/tmp/x.db;Tracefile=/dev/null"},
      {"Driver={No Such Driver};PWD='a;b}c'", "Driver={No Such Driver};PWD={a;b}}c}"},
      {"DSN=nowhere;UID=u", "DSN=nowhere;UID=u"},
      // Quoted values are data, braced whatever they start with; braced values go as typed.
      {"Driver={X};PWD='{pw};Database=postgres;X={}'", "Driver={X};PWD={{pw}};Database=postgres;X={}}}"},
      {"Driver={X};PWD=\"{pw}\"", "Driver={X};PWD={{pw}}}"},
      {"Driver={X};PWD={a;b}}c}", "Driver={X};PWD={a;b}}c}"},
      {"Driver={X};PWD={ a }  ;UID=u", "Driver={X};PWD={ a };UID=u"},
      // What psqlODBC would URL-decode, and blanks a driver would trim, are braced too.
      {"Driver={X};PWD=a+b;UID=%41", "Driver={X};PWD={a+b};UID={%41}"},
      {"Driver={X};PWD=' a b ';Database=\"it's=\"", "Driver={X};PWD={ a b };Database={it's=}"},
      {"Driver=PostgreSQL Unicode;Server=h",
       "Driver={PostgreSQL Unicode};Server=h;CommLog=0;Debug=0;BoolsAsChar=0;UseDeclareFetch=1;Fetch=1000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Make(c.given).text, c.sent) << c.given;
  }
  EXPECT_NE(Make("Driver={PostgreSQL Unicode}").afterConnect, nullptr);
  EXPECT_EQ(Make("Driver={PostgreSQL Unicode};CommLog=1").afterConnect, nullptr) << "a log asked for stays";
  EXPECT_EQ(Make("Driver={PostgreSQL Unicode}").driver.library.find("psqlodbc"), 0u);
  EXPECT_EQ(Make("Driver={No Such Driver}").driver.name, "No Such Driver");
  EXPECT_EQ(Make("Server=h").driver.name, "ODBC");
  // MariaDB's driver is asked for a result after one without rows only where a text may hold several
  // statements (bit 26 of OPTION).
  const std::pair<std::string, bool> follow[] = {
      {"Driver={MariaDB Unicode}", false},
      {"Driver={MariaDB Unicode};OPTION=2", false},
      {"Driver={MariaDB Unicode};option=67108866", true},
      {"Driver={MariaDB Unicode};Options={67108864}", true},
      {"Driver={MariaDB Unicode};OPTION=many", false},
      {"Driver={PostgreSQL Unicode}", true},
  };
  for (const auto& [given, followed] : follow) EXPECT_EQ(Make(given).resultsFollowCounts, followed) << given;
}

TEST_F(OdbcConnectRequest, IllFormedBracesAreRefusedWithoutRepeatingTheValue) {
  for (const char* bad : {"Driver={a}x};DSN=y", "Driver={X};PWD={secret", "Driver={X};PWD={sec}ret}", "DSN={d}} "}) {
    SCOPED_TRACE(bad);
    errors_.Clear();
    EXPECT_EQ(access_probe::Raised([&] { Make(bad); }), Hex(access::kProviderFailed));
    ASSERT_EQ(errors_.Records().size(), 1u);
    EXPECT_EQ(errors_.Records()[0].description.find("sec"), std::string::npos) << errors_.Records()[0].description;
    EXPECT_NE(errors_.Records()[0].description.find("braces"), std::string::npos);
  }
}

TEST_F(OdbcConnectRequest, ConnectTimeoutIsWholeSecondsAndBadValuesAreRefused) {
  EXPECT_EQ(Make("Driver={X}").loginTimeout, 15u);
  EXPECT_EQ(Make("Driver={X};Connect Timeout= 7 ").loginTimeout, 7u);
  EXPECT_EQ(Make("Driver={X};connect timeout=0").loginTimeout, 0u) << "0 waits as long as the network does";
  for (const char* bad : {"abc", "-1", "1.5", "", "99999999999"}) {
    EXPECT_EQ(access_probe::Raised([&] { Make(std::string("Driver={X};Connect Timeout=") + bad); }),
              Hex(access::kOutOfRange))
        << bad;
  }
  ASSERT_EQ(errors_.Records().size(), 1u);
  EXPECT_NE(errors_.Records()[0].description.find("Connect Timeout"), std::string::npos);
}

TEST(OdbcVersion, NamesTheDriverManagerAndItsRelease) {
  EXPECT_TRUE(access::kOdbcProvider.version().starts_with("unixODBC 2.")) << access::kOdbcProvider.version();
}

}  // namespace

}  // namespace ql
