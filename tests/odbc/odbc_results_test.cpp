// What a statement text gives besides its first result, through the ODBC provider on every engine:
// the rows its statements changed, the messages the server sent with it, and every result after the
// first.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "odbc_engine.h"
#include "probes/access_probe.h"
#include "test_servers.h"

namespace ql {

namespace {

using access::Recordset;
using access::Ref;

// The flag of MariaDB's OPTION key that lets a text hold several statements.
const std::string kMariadbMultiStatements = "OPTION=67108864";

struct ResultsCase {
  ResultsCase(std::string sql, std::string expected, std::string extra = "")
      : sql(std::move(sql)), expected(std::move(expected)), extra(std::move(extra)) {}

  std::string sql;
  // Each result as "rows: " and its rows (RestOfRows) or "affected: " and its count, the messages
  // taken after it as "LEVEL: text", then "waiting: N" when N more results wait; "raised: " and a
  // code where a call failed.
  std::string expected;
  std::string extra;  // pairs added to the engine's connection string
};

// Opens `sql`, then walks every result it gave, as ResultsCase::expected writes them.
std::string Walk(const Ref<access::Connection>& connection, const std::string& sql) {
  std::string text;
  const auto messages = [&] {
    for (const access::ServerMessage& message : connection->TakeMessages()) {
      text += message.level + ": " + message.text + "\n";
    }
  };
  Ref<Recordset> results;
  std::string raised = access_probe::Raised([&] { results = access_probe::Query(connection, sql); });
  for (int guard = 0; raised == "none" && guard < 10; ++guard) {
    if (results->State() == access::kStateOpen) {
      text += "rows: " + access_probe::RestOfRows(*results);
    } else {
      text += "affected: " + std::to_string(connection->RecordsAffected()) + "\n";
    }
    messages();
    std::int32_t waiting = 0;
    raised = access_probe::Raised([&] { waiting = results->ResultsWaiting(); });
    if (raised != "none" || waiting == 0) break;
    text += "waiting: " + std::to_string(waiting) + "\n";
    raised = access_probe::Raised([&] { results->OpenNextResult(); });
  }
  messages();
  if (raised != "none") text += "raised: " + raised + "\n";
  return text;
}

std::vector<ResultsCase> CasesOf(const OdbcEngine& engine) {
  // Counts of rows inserted, updated and deleted; a statement that touches none counts 0.
  std::vector<ResultsCase> cases = {
      {"CREATE TABLE ql_counted (n INTEGER)", "affected: 0\n"},
      {"INSERT INTO ql_counted VALUES (1), (2), (3)", "affected: 3\n"},
      {"UPDATE ql_counted SET n = n + 1 WHERE n > 1", "affected: 2\n"},
      {"DELETE FROM ql_counted WHERE n > 100", "affected: 0\n"},
      {"SELECT COUNT(*) FROM ql_counted", "rows: 3\n"},
  };
  if (engine.server == "pg") {
    const std::vector<ResultsCase> postgres = {
        // psqlODBC passes the server's notices as the statement's informational diagnostics, those of
        // a statement all in one record.
        {"DROP TABLE IF EXISTS ql_nosuch", "affected: -1\nNOTICE: table \"ql_nosuch\" does not exist, skipping\n"},
        {"DO $$ BEGIN RAISE NOTICE 'one %', 1; RAISE WARNING 'two'; RAISE INFO 'three;four'; END $$",
         "affected: -1\nNOTICE: one 1\nWARNING: two\nINFO: three;four\n"},
        {"SELECT 1 AS a; SELECT 2 AS b", "rows: 1\nwaiting: 1\nrows: 2\n"},
        {"INSERT INTO ql_counted VALUES (9); SELECT COUNT(*) FROM ql_counted; UPDATE ql_counted SET n = 0 WHERE n = 9",
         "rows: 4\nwaiting: 1\naffected: 1\n"},
        // A text of statements without rows counts what they changed together.
        {"INSERT INTO ql_counted VALUES (7); UPDATE ql_counted SET n = 8 WHERE n IN (7, 0)", "affected: 3\n"},
        // psqlODBC runs the whole text at once: a statement that fails fails it.
        {"SELECT 1 AS a; SELECT * FROM ql_nowhere", "raised: " + access_probe::Hex(access::kNoSuchTable) + "\n"},
    };
    cases.insert(cases.end(), postgres.begin(), postgres.end());
  } else if (engine.server == "mariadb") {
    const std::string function =
        "CREATE OR REPLACE FUNCTION ql_f_b(x TEXT) RETURNS TEXT DETERMINISTIC BEGIN DECLARE s TEXT DEFAULT 'k'; "
        "RETURN s; END";
    const std::vector<ResultsCase> mariadb = {
        // The driver, asked for a further result after this one, crashes: it is never asked, as a
        // text of one statement has no further result unless several statements are allowed.
        {function, "affected: 0\n"},
        {"SELECT ql_f_b('a')", "rows: k\n"},
        {function, "affected: 0\n", kMariadbMultiStatements},
        // A procedure's results, then the count of its CALL.
        {"CREATE OR REPLACE PROCEDURE ql_p() BEGIN SELECT 1 AS a; SELECT 2 AS b; END", "affected: 0\n"},
        {"CALL ql_p()", "rows: 1\nwaiting: 2\nrows: 2\nwaiting: 1\naffected: 0\n"},
        // The driver passes no warning of the server's ("Division by 0" here).
        {"SELECT 1 / 0", "rows: <null>\n"},
        {"SELECT 1 AS a; SELECT 2 AS b", "rows: 1\nwaiting: 1\nrows: 2\n", kMariadbMultiStatements},
        {"INSERT INTO ql_counted VALUES (9); SELECT COUNT(*) FROM ql_counted; UPDATE ql_counted SET n = 0 WHERE n = 9",
         "rows: 4\nwaiting: 1\naffected: 1\n", kMariadbMultiStatements},
        {"INSERT INTO ql_counted VALUES (7); UPDATE ql_counted SET n = 8 WHERE n IN (7, 0)", "affected: 3\n",
         kMariadbMultiStatements},
        // So does MariaDB's driver.
        {"SELECT 1 AS a; SELECT * FROM ql_nowhere", "raised: " + access_probe::Hex(access::kNoSuchTable) + "\n",
         kMariadbMultiStatements},
    };
    cases.insert(cases.end(), mariadb.begin(), mariadb.end());
  }
  return cases;
}

using OdbcResults = OdbcEngineTest;

TEST_P(OdbcResults, EveryResultOfATextWithItsCountsAndMessages) {
  Query("DROP TABLE IF EXISTS ql_counted");
  connection_->TakeMessages();
  std::map<std::string, Ref<access::Connection>> connections = {{"", connection_}};
  for (const ResultsCase& c : CasesOf(engine())) {
    Ref<access::Connection>& connection = connections[c.extra];
    if (!connection) connection = access_probe::Connect(connectionString_ + ";" + c.extra);
    EXPECT_EQ(Walk(connection, c.sql), c.expected) << c.sql << (c.extra.empty() ? "" : " with " + c.extra);
  }
}

// Messages beyond the most kept between two takes are counted in a last one.
TEST_P(OdbcResults, MessagesBeyondTheMostKeptAreCounted) {
  if (engine().server != "pg") GTEST_SKIP() << "only PostgreSQL sends notices";
  Query("DO $$ BEGIN FOR i IN 1..1200 LOOP RAISE NOTICE '%', i; END LOOP; END $$");
  const std::vector<access::ServerMessage> messages = connection_->TakeMessages();
  ASSERT_EQ(messages.size(), 1001u);
  EXPECT_EQ(messages[999].text, "1000");
  EXPECT_EQ(messages[1000].level + ": " + messages[1000].text, "INFO: 200 more messages came and were not kept.");
  EXPECT_TRUE(connection_->TakeMessages().empty());
}

INSTANTIATE_TEST_SUITE_P(Odbc, OdbcResults, testing::Values(&PostgresEngine(), &MariadbEngine(), &SqliteOdbcEngine()),
                         EngineName);

}  // namespace

}  // namespace ql
