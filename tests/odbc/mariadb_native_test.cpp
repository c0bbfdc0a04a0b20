// The MariaDB provider over MariaDB Connector/C against the test server, where it goes beyond the
// provider contract: every result of a text of several statements, the warnings the server keeps,
// and what the connection tells of itself.

#include <gtest/gtest.h>

#include <string>

#include "odbc_engine.h"
#include "probes/access_probe.h"
#include "support/unused_port.h"
#include "test_servers.h"

namespace ql {

namespace {

using access::Recordset;
using access::Ref;

class MariadbNative : public OdbcEngineTest {
 protected:
  // Every result of `sql` in order, each as its rows ("rows 1|a;") or its count ("affected 2;"),
  // then the messages the connection has for it ("NOTE: ...;").
  std::string Results(const std::string& sql) {
    std::string text;
    Ref<Recordset> results = Query(sql);
    do {
      if (results->State() == access::kStateOpen) {
        std::string rows = access_probe::RestOfRows(*results);
        for (char& c : rows) c = c == '\n' ? ',' : c;
        text += "rows " + rows + ";";
      } else {
        text += "affected " + std::to_string(connection_->RecordsAffected()) + ";";
      }
    } while (results->OpenNextResult());
    for (const access::ServerMessage& message : connection_->TakeMessages()) {
      text += message.level + ": " + message.text + ";";
    }
    return text;
  }
};

TEST_P(MariadbNative, EveryResultOfATextIsReachableWithItsWarnings) {
  Query("CREATE TEMPORARY TABLE ql_t (v INT)");
  const struct {
    const char* sql;
    const char* results;
  } cases[] = {
      {"INSERT INTO ql_t VALUES (1), (2), (3)", "affected 3;"},
      // Statements before the first result with rows run, and it is the current one.
      {"UPDATE ql_t SET v = v + 1; SELECT v FROM ql_t ORDER BY v; DELETE FROM ql_t WHERE v = 4; SELECT 'end' AS e",
       "rows 2,3,4,;affected 1;rows end,;"},
      // Without a result with rows, the counts of the text's statements add up.
      {"INSERT INTO ql_t VALUES (5); DELETE FROM ql_t WHERE v > 2", "affected 3;"},
      {"DROP TABLE IF EXISTS ql_none", "affected 0;NOTE: Unknown table 'qltest.ql_none' (1051);"},
      {"SELECT 1 + 'a' AS x", "rows 1,;WARNING: Truncated incorrect DOUBLE value: 'a' (1292);"},
      {"DROP TABLE IF EXISTS ql_none; SELECT 2 AS b",
       "rows 2,;WARNING: 1 warning from a statement followed by others in its text; the server tells the "
       "text of the last statement's warnings only.;"},
  };
  for (const auto& c : cases) {
    std::string got;
    const std::string code = access_probe::Raised([&] { got = Results(c.sql); });
    EXPECT_EQ(got, c.results) << c.sql << " raised " << code;
  }
  // The failure of a statement after a result with rows comes with the move to that result.
  Ref<Recordset> rows = Query("SELECT v FROM ql_t; SELEC 1");
  access_probe::RestOfRows(*rows);
  EXPECT_EQ(access_probe::Raised([&] { rows->OpenNextResult(); }), access_probe::Hex(access::kStatementError));
  EXPECT_EQ(access_probe::RestOfRows(*Query("SELECT COUNT(*) FROM ql_t")), "1\n") << "the connection goes on";
}

TEST_P(MariadbNative, TheConnectionTellsWhatItIsAndItsTransaction) {
  const TestServer* server = RequireServer("mariadb");
  if (server == nullptr) return;
  const auto facts = [&] {
    std::string text;
    for (const access::ConnectionFact& fact : connection_->Describe()) text += fact.name + "=" + fact.value + "\n";
    return text;
  };
  const std::string before = facts();
  EXPECT_TRUE(before.starts_with("Provider=MariaDB Connector/C 3.")) << before;
  EXPECT_NE(before.find("\nHost=" + server->host + "\nPort=" + server->port + "\nDatabase=qltest\nUser=qluser\n"),
            std::string::npos)
      << before;
  EXPECT_NE(before.find("-MariaDB"), std::string::npos) << before;
  EXPECT_NE(before.find("\nTLS=no\nTransaction=idle\n"), std::string::npos) << before;
  EXPECT_EQ(before.find(server->password), std::string::npos) << before;
  Query("START TRANSACTION");
  Query("USE information_schema");
  const std::string after = facts();
  EXPECT_NE(after.find("\nDatabase=information_schema\n"), std::string::npos) << after;
  EXPECT_NE(after.find("\nTransaction=open\n"), std::string::npos) << after;
}

// Of a list of hosts, the first refuses (nothing listens on its port): the session is the next
// host's, and what it tells of itself names that host. When every host refuses, the report says
// what each one said, without the password.
TEST_P(MariadbNative, AHostListFallsOverToTheNextHost) {
  const TestServer* server = RequireServer("mariadb");
  if (server == nullptr) return;
  const testsupport::UnusedPort unused;
  const std::string dead = "127.0.0.1:" + std::to_string(unused.Port());
  const auto keys = [&](const std::string& hosts) {
    return "Provider=MariaDB;Server=" + hosts + ";Database=" + server->database + ";User ID=" + server->user +
           ";Password=" + server->password + ";Connect Timeout=2";
  };
  const Ref<access::Connection> reached = access_probe::Connect(keys(dead + "," + server->host + ":" + server->port));
  std::string facts;
  for (const access::ConnectionFact& fact : reached->Describe()) facts += fact.name + "=" + fact.value + "\n";
  EXPECT_NE(facts.find("\nHost=" + server->host + "\nPort=" + server->port + "\n"), std::string::npos) << facts;
  EXPECT_EQ(access_probe::RestOfRows(*access_probe::Query(reached, "SELECT @@port")), server->port + "\n");

  const Ref<access::Connection> refused = access::NativeObjects().CreateConnection();
  EXPECT_NE(access_probe::Raised([&] { refused->Open(keys(dead + "," + dead), "", "", 0); }), "none");
  const std::string said = access_probe::ErrorsText(refused);
  const std::size_t first = said.find(dead + ": ");
  ASSERT_NE(first, std::string::npos) << said;
  EXPECT_NE(said.find(dead + ": ", first + 1), std::string::npos) << said;
  EXPECT_EQ(said.find(server->password), std::string::npos) << said;
}

// A second recordset on the connection while the first is still arriving: the first's rows are set
// aside, whole, and both read on.
TEST_P(MariadbNative, AResultStillArrivingIsSetAsideForTheNextStatement) {
  Ref<Recordset> first = Query("SELECT seq FROM seq_1_to_50000");
  first->MoveNext();
  EXPECT_EQ(access_probe::RestOfRows(*Query("SELECT 'second' AS s")), "second\n");
  EXPECT_EQ(access_probe::Column(*first, "seq").substr(0, 8), "2\n3\n4\n5\n");
  EXPECT_EQ(first->RecordCount(), 50000);
}

// Columns as the server writes them: the type with its size, the default as an SQL expression (a
// text in quotes, so that the text 'NULL' and no default differ).
TEST_P(MariadbNative, ColumnsShowTypesAndDefaultsAsTheServerWritesThem) {
  Query(
      "CREATE OR REPLACE TABLE ql_cols (id INT UNSIGNED NOT NULL PRIMARY KEY, name VARCHAR(20) DEFAULT 'NULL', "
      "price DECIMAL(10,2) DEFAULT 1.5, seen DATETIME(3) DEFAULT CURRENT_TIMESTAMP(3), note TEXT)");
  Ref<Recordset> columns = connection_->OpenSchema(access::SchemaKind::kColumns, access::Variant::Text("ql_cols"),
                                                   access::Variant::Missing());
  EXPECT_EQ(access_probe::RestOfRows(*columns),
            "id|int(10) unsigned|10|NO|<null>\n"
            "name|varchar(20)|20|YES|'NULL'\n"
            "price|decimal(10,2)|10|YES|1.50\n"
            "seen|datetime(3)|<null>|YES|current_timestamp(3)\n"
            "note|text|65535|YES|<null>\n");
  Query("DROP TABLE ql_cols");
}

INSTANTIATE_TEST_SUITE_P(Native, MariadbNative, testing::Values(&MariadbNativeEngine()), EngineName);

}  // namespace

}  // namespace ql
