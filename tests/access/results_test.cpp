// The results of a statement text that gives several: counted once the current result is read, then
// made current one after another. A scripted provider stands in for a server that sends them.

#include <gtest/gtest.h>

#include <deque>

#include "access/core/native_connection.h"
#include "probes/access_probe.h"

namespace ql {
namespace {

using access::Recordset;
using access::Ref;
using access_probe::RestOfRows;

// One result of the script: rows 1..rows of one column, or none with `affected` rows changed.
struct ScriptedResult {
  int rows = 0;
  std::int64_t affected = -1;
};

class ScriptedRows final : public access::ProviderCursor {
 public:
  explicit ScriptedRows(int rows) : rows_(rows) {}
  const std::vector<std::string>& ColumnNames() const override { return names_; }
  bool FetchRow(access::RowWriter& row) override {
    if (next_ > rows_) return false;
    row.PutInteger(next_++);
    return true;
  }

 private:
  std::vector<std::string> names_{"n"};
  int rows_;
  int next_ = 1;
};

// Every Execute replays the same results, whatever the text.
std::vector<ScriptedResult> script;

class ScriptedSession final : public access::ProviderSession {
 public:
  std::unique_ptr<access::ProviderCursor> Execute(std::string_view) override {
    left_.assign(script.begin(), script.end());
    std::unique_ptr<access::ProviderCursor> rows;
    Take(rows);
    return rows;
  }
  std::unique_ptr<access::ProviderCursor> OpenSchema(access::SchemaKind) override { return nullptr; }
  void Interrupt() noexcept override {}
  std::int64_t RowsAffected() const override { return affected_; }
  bool NextResult(std::unique_ptr<access::ProviderCursor>& rows) override { return Take(rows); }

 private:
  bool Take(std::unique_ptr<access::ProviderCursor>& rows) {
    if (left_.empty()) return false;
    const ScriptedResult next = left_.front();
    left_.pop_front();
    affected_ = next.affected;
    rows = next.rows > 0 ? std::make_unique<ScriptedRows>(next.rows) : nullptr;
    return true;
  }

  std::deque<ScriptedResult> left_;
  std::int64_t affected_ = -1;
};

access::ResolvedProvider ResolveScripted(std::string_view, std::string_view, std::string_view, access::ErrorList&) {
  access::ResolvedProvider provider;
  provider.open = [](const access::ConnectionString&,
                     std::shared_ptr<access::ErrorList>) -> std::unique_ptr<access::ProviderSession> {
    return std::make_unique<ScriptedSession>();
  };
  return provider;
}

struct Session {
  Session() { connection->Open("", "", "", 0); }
  Ref<access::Connection> connection = access::MakeNativeConnection(ResolveScripted);
};

TEST(SeveralResults, WaitBehindTheCurrentOneUntilItsRowsAreReadThenComeInOrder) {
  script = {{2, -1}, {0, 3}, {1, -1}};
  Session session;
  Ref<Recordset> rows = access_probe::Query(session.connection, "three statements");
  EXPECT_EQ(rows->ResultsWaiting(), 0) << "not counted while rows of the first are still to come";
  EXPECT_EQ(RestOfRows(*rows), "1\n2\n");
  EXPECT_EQ(rows->ResultsWaiting(), 2);
  EXPECT_EQ(session.connection->RecordsAffected(), -1);

  ASSERT_TRUE(rows->OpenNextResult());
  EXPECT_EQ(rows->State(), access::kStateClosed) << "a result without rows";
  EXPECT_EQ(session.connection->RecordsAffected(), 3);
  EXPECT_EQ(rows->ResultsWaiting(), 1);

  ASSERT_TRUE(rows->OpenNextResult());
  EXPECT_EQ(rows->State(), access::kStateOpen);
  EXPECT_EQ(session.connection->RecordsAffected(), -1);
  EXPECT_EQ(RestOfRows(*rows), "1\n");
  EXPECT_EQ(rows->ResultsWaiting(), 0);
  EXPECT_FALSE(rows->OpenNextResult());
  EXPECT_EQ(rows->State(), access::kStateOpen) << "nothing waited, nothing changed";
}

TEST(SeveralResults, TheNextResultReadsTheRestOfTheCurrentOneFirst) {
  script = {{5, -1}, {2, -1}};
  Session session;
  Ref<Recordset> rows = access_probe::Query(session.connection, "two queries");
  ASSERT_TRUE(rows->OpenNextResult());
  EXPECT_EQ(RestOfRows(*rows), "1\n2\n");
}

TEST(SeveralResults, ANewStatementOrAClosedConnectionForgetsThoseOfTheOldOne) {
  script = {{1, -1}, {1, -1}};
  Session session;
  Ref<Recordset> first = access_probe::Query(session.connection, "old");
  first->RecordCount();
  EXPECT_EQ(first->ResultsWaiting(), 1);
  Ref<Recordset> second = access_probe::Query(session.connection, "new");
  EXPECT_EQ(first->ResultsWaiting(), 0) << "the old recordset's results went with its text";
  EXPECT_FALSE(first->OpenNextResult());
  second->RecordCount();
  EXPECT_EQ(second->ResultsWaiting(), 1);
  session.connection->Close();
  EXPECT_EQ(second->ResultsWaiting(), 0);
  EXPECT_FALSE(second->OpenNextResult());
}

}  // namespace
}  // namespace ql
