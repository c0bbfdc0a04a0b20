// What a server tells beside a statement's rows, through the layer: its messages in the order sent,
// the rows a statement changed, the results of a text after its first, a table's columns and what
// the connection is. An engine joins the instantiation once its provider tells these.

#include <string>
#include <vector>

#include "access/ascii.h"
#include "odbc_engine.h"
#include "support/unused_port.h"
#include "test_servers.h"

namespace ql {

namespace {

using access::Recordset;
using access::Ref;
using access_probe::Raised;
using access_probe::RestOfRows;

class ServerReplies : public OdbcEngineTest {
 protected:
  // Runs each statement and reads its rows; a failure is left to the messages that follow it.
  // Returns the messages taken then, "LEVEL: text" one a line.
  std::string RunAll(const std::vector<std::string>& statements) {
    for (const std::string& sql : statements) {
      Raised([&] {
        if (Ref<Recordset> rows = Query(sql); rows->State() == access::kStateOpen) RestOfRows(*rows);
      });
    }
    std::string text;
    for (const access::ServerMessage& message : connection_->TakeMessages()) {
      text += message.level + ": " + message.text + "\n";
    }
    return text;
  }
};

TEST_P(ServerReplies, MessagesArriveInTheOrderSentAfterWhatCausedThem) {
  RunAll(
      {"CREATE FUNCTION pg_temp.ql_say(n int) RETURNS int LANGUAGE plpgsql AS "
       "$$ BEGIN RAISE NOTICE 'row %', n; RETURN n; END $$"});
  const std::string rolledBack =
      "WARNING: the transaction was rolled back, not committed: an earlier statement in it failed\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"DROP TABLE IF EXISTS ql_absent"}, "NOTICE: table \"ql_absent\" does not exist, skipping\n"},
      {{"DO $$ BEGIN RAISE NOTICE 'one'; RAISE WARNING 'two' USING DETAIL = 'd', HINT = 'h'; RAISE INFO 'three'; "
        "END $$"},
       "NOTICE: one\nWARNING: two DETAIL: d HINT: h\nINFO: three\n"},
      {{"SELECT pg_temp.ql_say(n) FROM generate_series(1, 3) AS s(n)"},
       "NOTICE: row 1\nNOTICE: row 2\nNOTICE: row 3\n"},
      {{"BEGIN", "SELECT 1/0", "COMMIT"}, rolledBack},
      {{"BEGIN", "SELECT 1/0", "end; SELECT 1"}, rolledBack},
      {{"BEGIN", "SELECT 1/0", "/* undo */ -- all\n ROLLBACK"}, ""},
      {{"BEGIN", "SELECT 1", "COMMIT"}, ""},
  };
  for (const auto& [statements, expected] : cases) EXPECT_EQ(RunAll(statements), expected) << statements.back();

  Query("DO $$ BEGIN FOR i IN 1..1003 LOOP RAISE NOTICE 'n%', i; END LOOP; END $$");
  const std::vector<access::ServerMessage> many = connection_->TakeMessages();
  ASSERT_EQ(many.size(), 1001u) << "the first 1000 kept, and a line for the rest";
  EXPECT_EQ(many[999].text, "n1000");
  EXPECT_EQ(many[1000].text, "3 more messages from the server were left out: 1000 are kept at most.");
}

TEST_P(ServerReplies, AStatementWithoutRowsTellsHowManyItChanged) {
  const std::pair<std::string, std::int64_t> cases[] = {
      {"CREATE TEMPORARY TABLE ql_counted (id int)", -1},
      {"INSERT INTO ql_counted SELECT generate_series(1, 5)", 5},
      {"UPDATE ql_counted SET id = id + 10 WHERE id > 3", 2},
      {"DELETE FROM ql_counted WHERE id < 3", 2},
      {"DELETE FROM ql_counted WHERE id < 0", 0},
      {"SELECT id FROM ql_counted", -1},
      {"INSERT INTO ql_counted VALUES (7); DELETE FROM ql_counted", 4},
  };
  for (const auto& [sql, affected] : cases) {
    Query(sql);
    EXPECT_EQ(connection_->RecordsAffected(), affected) << sql;
  }
}

TEST_P(ServerReplies, EveryResultOfATextIsReachedInTurn) {
  RunAll({"CREATE TEMPORARY TABLE ql_turns (id int)", "INSERT INTO ql_turns VALUES (1), (2)"});
  Ref<Recordset> rows = Query(
      "SELECT 0 AS a WHERE false; UPDATE ql_turns SET id = id; SELECT id AS b FROM ql_turns ORDER BY id; "
      "SELECT 3 AS c");
  EXPECT_TRUE(rows->Bof() && rows->Eof()) << "an empty first result, read to its end at once";
  EXPECT_EQ(rows->ResultsWaiting(), 3);
  ASSERT_TRUE(rows->OpenNextResult());
  EXPECT_EQ(rows->State(), access::kStateClosed) << "the update";
  EXPECT_EQ(connection_->RecordsAffected(), 2);
  ASSERT_TRUE(rows->OpenNextResult());
  EXPECT_EQ(RestOfRows(*rows), "1\n2\n");
  ASSERT_TRUE(rows->OpenNextResult());
  EXPECT_EQ(RestOfRows(*rows), "3\n");
  EXPECT_FALSE(rows->OpenNextResult());

  // A later statement's failure is raised when the results are read on; the connection goes on.
  rows = Query("SELECT 1 AS a; SELECT 1/0");
  EXPECT_EQ(rows->ResultsWaiting(), 0) << "until the first result's rows are read";
  EXPECT_EQ(RestOfRows(*rows), "1\n");
  EXPECT_NE(Raised([&] { rows->ResultsWaiting(); }), "none");
  EXPECT_NE(ErrorsText().find("division by zero (SQLSTATE 22012)"), std::string::npos) << ErrorsText();
  // A text run while a result's rows still arrive drops the results after it, a failure among them
  // being raised at the end of those rows.
  Ref<Recordset> earlier = Query("SELECT 1 AS a; SELECT 2 AS b; SELECT 1/0");
  EXPECT_EQ(RestOfRows(*Query("SELECT 3 AS c")), "3\n");
  EXPECT_NE(Raised([&] { earlier->MoveNext(); }), "none");
  EXPECT_EQ(earlier->ResultsWaiting(), 0);
}

TEST_P(ServerReplies, ColumnsAreThoseOfTheTableTheServerFindsByTheName) {
  RunAll({"DROP SCHEMA IF EXISTS ql_columns CASCADE", "CREATE SCHEMA ql_columns",
          "CREATE TABLE ql_columns.\"Mixed Case\" (\"Id\" integer NOT NULL, label varchar(20) DEFAULT 'none', "
          "amount numeric(10,2) DEFAULT 0, gone int, note text)",
          "ALTER TABLE ql_columns.\"Mixed Case\" DROP COLUMN gone", "CREATE TABLE ql_columns.plain (k char(3))",
          "SET search_path = ql_columns"});
  const std::string mixed =
      "Id|integer|<null>|NO|<null>\nlabel|character varying|20|YES|'none'::character varying\n"
      "amount|numeric|10|YES|0\nnote|text|<null>|YES|<null>\n";
  const std::string plain = "k|character|3|YES|<null>\n";
  const std::pair<std::string, std::string> cases[] = {
      {"\"Mixed Case\"", mixed}, {"ql_columns.\"Mixed Case\"", mixed},
      {"PLAIN", plain},          {"ql_columns.plain", plain},
      {"\"PLAIN\"", ""},         {"nosuch", ""},
      {"public.plain", ""},
  };
  Ref<Recordset> columns;
  for (const auto& [table, expected] : cases) {
    EXPECT_EQ(Raised([&] {
                columns = connection_->OpenSchema(access::SchemaKind::kColumns, access::Variant::Text(table),
                                                  access::Variant::Missing());
                EXPECT_EQ(RestOfRows(*columns), expected) << table;
              }),
              "none")
        << table << ": " << ErrorsText();
  }
  const Ref<access::Fields> fields = columns->GetFields();
  std::string names;
  for (int i = 0; i < fields->Count(); ++i) names += std::string(fields->Item(i)->Name()) + " ";
  EXPECT_EQ(names, "COLUMN_NAME TYPE_NAME COLUMN_SIZE IS_NULLABLE COLUMN_DEFAULT ");
  RunAll({"DROP SCHEMA ql_columns CASCADE"});  // other tests list the database's tables
}

TEST_P(ServerReplies, DescribeNamesTheConnectionReachedAndNeverItsPassword) {
  const TestServer* server = RequireServer(engine().server);
  if (server == nullptr) return;
  // Of two hosts, the first refuses: the facts name the second.
  const testsupport::UnusedPort unused;
  connection_ = access_probe::Connect("postgresql://" + server->user + ":" + server->password + "@" + server->host +
                                      ":" + std::to_string(unused.Port()) + "," + server->host + ":" + server->port +
                                      "/" + server->database);
  // The facts one a line, the versions of the library and the server (which change) as "<version>".
  const auto facts = [&] {
    std::string text;
    for (access::ConnectionFact fact : connection_->Describe()) {
      EXPECT_EQ(fact.value.find(server->password), std::string::npos) << fact.name;
      if (fact.name == access::kFactProvider && fact.value.starts_with("PostgreSQL (libpq ")) {
        fact.value = "PostgreSQL (libpq <version>)";
      }
      if (fact.name == access::kFactServer && access::IsAsciiDigit(fact.value[0])) fact.value = "<version>";
      text += fact.name + "=" + fact.value + "\n";
    }
    return text;
  };
  const std::string connected = "Provider=PostgreSQL (libpq <version>)\nHost=" + server->host +
                                "\nPort=" + server->port + "\nDatabase=" + server->database + "\nUser=" + server->user +
                                "\nServer version=<version>\nTLS=no\nTransaction=";
  const std::pair<std::string, std::string> states[] = {
      {"", "idle"}, {"BEGIN", "open"}, {"SELECT 1/0", "failed"}, {"ROLLBACK", "idle"}};
  for (const auto& [sql, state] : states) {
    if (!sql.empty()) RunAll({sql});
    EXPECT_EQ(facts(), connected + state + "\n") << sql;
  }
}

INSTANTIATE_TEST_SUITE_P(Odbc, ServerReplies, testing::Values(&PostgresNativeEngine()), EngineName);

}  // namespace

}  // namespace ql
