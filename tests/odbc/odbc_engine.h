#pragma once
// The three databases the ODBC tests reach (PostgreSQL also through libpq, MariaDB also through
// MariaDB Connector/C), with the few phrases of SQL in which their dialects differ, and a fixture
// that connects a test to one of them.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "access/data_access.h"
#include "probes/access_probe.h"
#include "support/temporary_directory.h"

namespace ql {

struct OdbcEngine {
  std::string name;
  std::string server;  // "pg" or "mariadb"; empty for the SQLite ODBC driver, which needs none
  // A query whose column n counts from 1 to `count`, in order.
  std::string (*numbers)(int count);
  // An expression joining two text expressions.
  std::string (*concat)(const std::string& left, const std::string& right);
  // An expression repeating the quoted literal `text` `count` times.
  std::string (*repeat)(const std::string& text, int count);
  std::string charLength;  // the function that counts characters
  char quote;              // quotes an identifier
  // An expression of binary data, and the bytes it stands for.
  std::string blob;
  std::string blobBytes;
  // Reached through the server's own provider (libpq, MariaDB Connector/C) rather than through ODBC.
  bool native = false;
};

// `text` `count` times over.
std::string Repeated(const std::string& text, int count);

const OdbcEngine& PostgresEngine();
const OdbcEngine& PostgresNativeEngine();
const OdbcEngine& MariadbEngine();
const OdbcEngine& MariadbNativeEngine();
const OdbcEngine& SqliteOdbcEngine();

// A test connected to one engine; it skips (or fails under CI) when the engine's server is not there.
class OdbcEngineTest : public testing::TestWithParam<const OdbcEngine*> {
 protected:
  void SetUp() override;

  // Opens `sql` in a new recordset on the test's connection.
  access::Ref<access::Recordset> Query(const std::string& sql) { return access_probe::Query(connection_, sql); }
  // The code `sql` raises, or "none".
  std::string QueryCode(const std::string& sql);
  std::string ErrorsText() { return access_probe::ErrorsText(connection_); }

  const OdbcEngine& engine() const { return *GetParam(); }

  // Whether SetUp opens connection_ on the engine, or only finds its connection string.
  bool openInSetUp_ = true;
  std::string connectionString_;
  std::unique_ptr<testsupport::TemporaryDirectory> directory_;
  access::Ref<access::Connection> connection_;
};

// Names a test of an engine after the engine.
std::string EngineName(const testing::TestParamInfo<const OdbcEngine*>& info);

// Shows an engine by its name in test names and failure messages.
void PrintTo(const OdbcEngine* engine, std::ostream* out);

}  // namespace ql
