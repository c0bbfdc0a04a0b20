// The Access and SQL Server connection strings: which opener each reaches, and the driver keys it is
// handed.

#include <gtest/gtest.h>

#include <string>

#include "access/core/provider_table.h"
#include "probes/access_probe.h"

namespace ql {

namespace {

using access_probe::Hex;

std::string Text(const access::ConnectionString& pairs) {
  std::string out;
  for (const auto& [key, value] : pairs.Pairs()) out += key + "=" + value + ";";
  return out;
}

// The opener as "access", "sqlserver" (an ODBC session of the FreeTDS driver), "odbc" or "other",
// then the driver keys.
std::string Resolve(std::string_view text, std::string_view user = "", std::string_view password = "") {
  access::ErrorList errors;
  const access::ResolvedProvider resolved =
      access::ResolveProvider(access::ConnectionString::Parse(text), user, password, errors);
  const std::string opener = resolved.open == access::kAccessFileProvider.open  ? "access"
                             : resolved.open == access::kSqlServerProvider.open ? "sqlserver"
                             : resolved.open == access::kOdbcProvider.open      ? "odbc"
                                                                                : "other";
  return opener + " " + Text(resolved.pairs);
}

// The code and description of the refusal, or "none".
std::string Refusal(std::string_view text) {
  access::ErrorList errors;
  try {
    access::ResolveProvider(access::ConnectionString::Parse(text), "", "", errors);
  } catch (const access::DataAccessError& error) {
    return Hex(error.Code()) + " " + error.Description().value_or("");
  }
  return "none";
}

const std::string kTdsDefaults = "TDS_Version=7.4;ClientCharset=UTF-8;";

TEST(ProviderKeys, AccessAndSqlServerStringsReachTheirDrivers) {
  struct Case {
    std::string_view text;
    std::string resolved;
  };
  const Case cases[] = {
      // Access: the file and the driver, nothing else of the string.
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/nwind.mdb;",
       "access Driver={MDBTools};DBQ=/data/nwind.mdb;"},
      {"provider=MICROSOFT.ACE.OLEDB.12.0;Data Source='/my files/a;b.accdb';Persist Security Info=False;Mode=Read",
       "access Driver={MDBTools};DBQ=/my files/a;b.accdb;"},
      {"Provider=Microsoft.Jet.OLEDB;Data Source=x.mdb", "access Driver={MDBTools};DBQ=x.mdb;"},
      {"Provider=Microsoft.ACE.OLEDB;Data Source=x.accdb", "access Driver={MDBTools};DBQ=x.accdb;"},
      {"Provider=Microsoft.ACE.OLEDB.16.0;Data Source=x.accdb", "access Driver={MDBTools};DBQ=x.accdb;"},
      // SQL Server: the demonstration's string, then each form of the server's address.
      {"Provider=SQLOLEDB;Data Source=(local);Initial Catalog=Master;User Id=sa;Password=kqz;",
       "sqlserver Driver={FreeTDS};Server=127.0.0.1;Database=Master;UID=sa;PWD=kqz;" + kTdsDefaults},
      {"Provider=SQLNCLI11;Data Source=db.example.com,1533;Initial Catalog=Sales",
       "sqlserver Driver={FreeTDS};Server=db.example.com;Port=1533;Database=Sales;" + kTdsDefaults},
      {"Provider=MSOLEDBSQL;Data Source=.\\SQLEXPRESS;User ID=ann",
       "sqlserver Driver={FreeTDS};Server=127.0.0.1\\SQLEXPRESS;UID=ann;" + kTdsDefaults},
      {"Provider=SQLNCLI;Server=tcp:10.1.2.3\\INST, 1444;Integrated Security=false;Encrypt=yes",
       "sqlserver Driver={FreeTDS};Server=10.1.2.3\\INST;Port=1444;Encryption=require;" + kTdsDefaults},
      // No server named: the local one. The user's own driver settings and timeout pass on.
      {"Provider=SQLOLEDB.1;TDS_Version=7.3;Connect Timeout=5;Application Name=nightly",
       "sqlserver Driver={FreeTDS};Server=127.0.0.1;TDS_Version=7.3;Connect "
       "Timeout=5;APP=nightly;ClientCharset=UTF-8;"},
      {"Provider=MSOLEDBSQL19;Data Source=host;Use Encryption for Data=False",
       "sqlserver Driver={FreeTDS};Server=host;" + kTdsDefaults},
      // Braces that close are read for what they hold, whichever road the string takes.
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source={/a}}b;c.mdb}", "access Driver={MDBTools};DBQ=/a}b;c.mdb;"},
      {"Provider=SQLOLEDB;Data Source={host,1533};Password={p;w}}d}",
       "sqlserver Driver={FreeTDS};Server=host;Port=1533;PWD={p;w}}d};" + kTdsDefaults},
  };
  for (const Case& c : cases) EXPECT_EQ(Resolve(c.text), c.resolved) << c.text;
}

TEST(ProviderKeys, ALoginGivenApartFromTheStringBecomesUidAndPwd) {
  EXPECT_EQ(Resolve("Provider=SQLOLEDB;Data Source=host", "bob", "secret"),
            "sqlserver Driver={FreeTDS};Server=host;UID=bob;PWD=secret;" + kTdsDefaults);
}

TEST(ProviderKeys, StringsThatCannotWorkHereAreRefusedWithTheReason) {
  struct Case {
    std::string_view text;
    access::ResultCode code;
    std::string words;  // part of the description
  };
  const Case cases[] = {
      {"Provider=SQLOLEDB;Data Source=(local);Integrated Security=SSPI;", access::kNotSupported,
       "User ID and Password"},
      {"Provider=SQLOLEDB;Data Source=host;Integrated Security=true", access::kNotSupported,
       "Integrated Security=true"},
      {"Provider=SQLOLEDB;Data Source=host,99999", access::kOutOfRange, "1 to 65535"},
      {"Provider=SQLOLEDB;Data Source=host,", access::kOutOfRange, "1 to 65535"},
      {"Provider=SQLOLEDB;Data Source=np:\\\\host\\pipe\\sql\\query", access::kProviderFailed, "Named pipes"},
      {"Provider=Microsoft.Jet.OLEDB.4.0", access::kProviderFailed, "Data Source must name"},
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=  ", access::kProviderFailed, "Data Source must name"},
      {"Provider=Microsoft.Jet.OLEDB.3.51;Data Source=x.mdb", access::kProviderNotFound, "Microsoft.Jet.OLEDB.3.51"},
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source={x.mdb", access::kProviderFailed, "braces"},
  };
  for (const Case& c : cases) {
    const std::string refusal = Refusal(c.text);
    EXPECT_EQ(refusal.substr(0, 10), Hex(c.code)) << c.text << "\n" << refusal;
    EXPECT_NE(refusal.find(c.words), std::string::npos) << c.text << "\n" << refusal;
  }
}

}  // namespace

}  // namespace ql
