#include "access/data_access.h"

#include "access/core/native_connection.h"
#include "access/core/native_recordset.h"
#include "access/odbc/odbc_provider.h"
#include "access/postgres/pg_provider.h"
#include "access/provider_table.h"
#include "access/sqlite/sqlite_provider.h"

namespace ql::access {
namespace {

constexpr std::string_view kLayerVersion = "1.0";
constexpr std::size_t kVersionLimit = 63;

class NativeObjectFactory final : public ObjectFactory {
 public:
  Ref<Connection> CreateConnection() override { return MakeNativeConnection(&ResolveProvider); }
  Ref<Recordset> CreateRecordset() override { return MakeNativeRecordset(); }
};

}  // namespace

ObjectFactory& NativeObjects() {
  static NativeObjectFactory factory;
  return factory;
}

std::string LibraryVersions() {
  std::string libraries = SqliteVersion();
  const std::string odbc = OdbcVersion();
  if (!odbc.empty()) libraries += ", " + odbc;
  const std::string libpq = LibpqVersion();
  if (!libpq.empty()) libraries += ", " + libpq;
  return libraries;
}

std::string ComponentVersion() {
  std::string text = std::string(kLayerVersion) + " (" + LibraryVersions() + ")";
  if (text.size() > kVersionLimit) {
    // Cut at the limit but keep the closing parenthesis.
    text.resize(kVersionLimit - 1);
    text += ')';
  }
  return text;
}

}  // namespace ql::access
