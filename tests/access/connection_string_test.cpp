#include "access/connection_string.h"

#include <gtest/gtest.h>

#include "access/provider_table.h"
#include "access/odbc/odbc_provider.h"
#include "access/sqlite/sqlite_provider.h"

namespace {

// The pairs as "key=value;" with the keys as written, then the first piece without '=' in brackets.
std::string Text(const access::ConnectionString& pairs) {
  std::string out;
  for (const auto& [key, value] : pairs.Pairs()) out += key + "=" + value + ";";
  if (pairs.PieceWithoutValue()) out += " [" + *pairs.PieceWithoutValue() + "]";
  return out;
}

std::string Pairs(std::string_view text) { return Text(access::ConnectionString::Parse(text)); }

TEST(ConnectionString, ParsesPairsQuotesAndBraces) {
  struct Case {
    std::string_view text;
    std::string pairs;
  };
  const Case cases[] = {
      {"", ""},
      {"Data Source=a.db", "Data Source=a.db;"},
      {"  Provider = SQLite ;  Data Source =  my file.db  ", "Provider=SQLite;Data Source=my file.db;"},
      {"Data Source='a;b.db';Mode=Read", "Data Source=a;b.db;Mode=Read;"},
      {"Password=\"say \"\"hi\"\"\";User ID=me", "Password=say \"hi\";User ID=me;"},
      {"Password='it''s'", "Password=it's;"},
      {"Password='unterminated;Mode=Read", "Password=unterminated;Mode=Read;"},
      {"Password='quoted' trailing;x=1", "Password=quoted;x=1;"},
      {"Driver={SQLite3};Database=x", "Driver={SQLite3};Database=x;"},
      {"Driver={odd;name}}x};DSN=y", "Driver={odd;name}}x};DSN=y;"},
      {";;Mode;;", "Mode=; [Mode]"},
      {" sample.db ", "sample.db=; [sample.db]"},
      {"Data Source=a.db;extra;more", "Data Source=a.db;extra=;more=; [extra]"},
      {"=value;Mode=Read", "Mode=Read;"},
      {"mode=Read;MODE=ReadWrite", "mode=ReadWrite;"},
      {"Data Source=a=b", "Data Source=a=b;"},
  };
  for (const Case& c : cases) EXPECT_EQ(Pairs(c.text), c.pairs) << c.text;
}

// How a value was written decides how it reaches a driver: quoted and plain values are data,
// braces pass as typed only when they close where the value ends.
TEST(ConnectionString, TellsHowEachValueWasWritten) {
  using access::ValueForm;
  struct Case {
    std::string_view text;
    ValueForm form;
  };
  const Case cases[] = {
      {"K=plain", ValueForm::kData},
      {"K='{quoted};X={}'", ValueForm::kData},
      {"K=\"{x}\"", ValueForm::kData},
      {"K={braced;x}}y}", ValueForm::kBraced},
      {"K= {braced}  ", ValueForm::kBraced},
      {"K={a}x}", ValueForm::kBadBraces},
      {"K={never closed;J=1", ValueForm::kBadBraces},
      {"K={a}}", ValueForm::kBadBraces},
      {"K={a} b", ValueForm::kBadBraces},
      {"K=a{b}", ValueForm::kData},
  };
  for (const Case& c : cases) EXPECT_EQ(access::ConnectionString::Parse(c.text).Form("k"), c.form) << c.text;
  EXPECT_EQ(access::ConnectionString::BracedText("{a}}b;c}"), "a}b;c");
}

TEST(ConnectionString, FindsKeysWithoutRegardToCase) {
  const auto pairs = access::ConnectionString::Parse("Data Source=x.db;MODE=Read");
  EXPECT_EQ(pairs.Find("data source").value_or("?"), "x.db");
  EXPECT_EQ(pairs.Find("Mode").value_or("?"), "Read");
  EXPECT_FALSE(pairs.Find("Provider").has_value());
  EXPECT_FALSE(pairs.Has("Data"));
}

// Where each connection string goes, and what its provider is handed.
TEST(ProviderTable, ChoosesTheProviderAndTranslatesItsKeys) {
  struct Case {
    std::string_view text;
    access::SessionOpener open;
    std::string pairs;
  };
  const access::SessionOpener sqlite = &access::OpenSqliteSession;
  const access::SessionOpener odbc = &access::OpenOdbcSession;
  const Case cases[] = {
      {"", sqlite, ""},
      {"Data Source=a.db", sqlite, "Data Source=a.db;"},
      {"Provider=SQLite;Data Source=a.db", sqlite, "Data Source=a.db;"},
      {"provider=sqlite", sqlite, ""},
      {"DSN=sales", odbc, "DSN=sales;"},
      {"Driver={PostgreSQL Unicode};Server=localhost", odbc, "Driver={PostgreSQL Unicode};Server=localhost;"},
      {"FileDSN=/etc/x.dsn", odbc, "FileDSN=/etc/x.dsn;"},
      {"Provider=MSDASQL;Data Source=sales;User ID=ann;Password=pw;Extra=1", odbc,
       "DSN=sales;UID=ann;PWD=pw;Extra=1;"},
      {"Provider=msdasql.1;Data Source=sales", odbc, "DSN=sales;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    access::ErrorList errors;
    const access::ResolvedProvider resolved =
        access::ResolveProvider(access::ConnectionString::Parse(c.text), "", "", errors);
    EXPECT_EQ(resolved.open, c.open);
    EXPECT_EQ(Text(resolved.pairs), c.pairs);
  }
}

TEST(ProviderTable, AUserAndPasswordGivenApartFillInOnlyWhatTheStringLacks) {
  access::ErrorList errors;
  auto resolve = [&](std::string_view text) {
    return Text(access::ResolveProvider(access::ConnectionString::Parse(text), "bob", "secret", errors).pairs);
  };
  EXPECT_EQ(resolve("Provider=MSDASQL;DSN=x"), "DSN=x;UID=bob;PWD=secret;");
  EXPECT_EQ(resolve("Provider=MSDASQL;DSN=x;User ID=ann"), "DSN=x;UID=ann;PWD=secret;");
}

TEST(ProviderTable, AnUnknownProviderIsRaisedThroughTheErrorList) {
  access::ErrorList errors;
  try {
    access::ResolveProvider(access::ConnectionString::Parse("Provider=Nope"), "", "", errors);
    FAIL() << "no error";
  } catch (const access::DataAccessError& error) {
    EXPECT_EQ(error.Code(), access::kProviderNotFound);
  }
  ASSERT_EQ(errors.Records().size(), 1u);
  EXPECT_NE(errors.Records()[0].description.find("Nope"), std::string::npos);
}

}  // namespace
