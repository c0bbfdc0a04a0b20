#pragma once
// The behaviour every provider of the data-access layer owes its users, written once and run against
// each provider. A provider's test file describes a ProviderTarget and instantiates the suite:
//
//   INSTANTIATE_TEST_SUITE_P(SQLite, ProviderContract, testing::Values(SqliteTarget()),
//                            [](const auto& info) { return info.param.name; });
//
// The cases are in provider_contract.cpp; a new provider needs only its target.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "access/data_access.h"
#include "probes/access_probe.h"

namespace ql {

// One row of the value-type table: a column of the declared type holding the value, and what the
// layer must make of it.
struct ValueCase {
  std::string label;       // names the case in failure messages
  std::string columnType;  // the column's declared type, in the target's dialect
  std::string literal;     // the SQL literal stored in it
  std::string expected;    // access_probe::Describe of the value read back, e.g. "I2:-5"
};

struct ProviderTarget {
  std::string name;
  // A connection string to an empty database of the provider's own; called once per test. The
  // returned object keeps whatever the database needs (a directory, a server) until it is released.
  std::function<std::shared_ptr<void>(std::string& connectionString)> freshDatabase;
  std::vector<ValueCase> values;
  // A query over ql_items (ids 1 to 5) that fails when its third row is computed, or empty when the
  // provider reads all rows before returning any.
  std::string failsOnThirdRow;
  // The code a query on a table that does not exist raises.
  access::ResultCode missingTableCode = access::kNoSuchTable;
  // Texts of the connection string that must never be shown back (passwords).
  std::vector<std::string> secrets;
};

// Shows a target by its name in test listings and failure messages rather than as raw bytes.
void PrintTo(const ProviderTarget& target, std::ostream* out);

class ProviderContract : public testing::TestWithParam<ProviderTarget> {
 protected:
  void SetUp() override;

  // Opens `sql` on the test's connection in a new recordset, as the console does.
  access::Ref<access::Recordset> Query(const std::string& sql) { return access_probe::Query(connection_, sql); }
  // Runs a statement that returns no rows.
  void Run(const std::string& sql);
  // Creates ql_items(id, name) holding the ids 1 to `rows` named "item<id>".
  void MakeItems(int rows);
  std::string ErrorsText() { return access_probe::ErrorsText(connection_); }

  std::string connectionString_;
  std::shared_ptr<void> database_;
  access::Ref<access::Connection> connection_;
};

}  // namespace ql
