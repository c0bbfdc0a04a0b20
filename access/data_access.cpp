#include "access/data_access.h"

#include <string_view>
#include <vector>

#include "access/core/native_connection.h"
#include "access/core/native_recordset.h"
#include "access/mariadb/mariadb_provider.h"
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

// The libraries' names and versions, those that cannot be loaded left out.
std::vector<std::string> Libraries() {
  std::vector<std::string> libraries{SqliteVersion()};
  for (std::string (*version)() : {&OdbcVersion, &LibpqVersion, &MariadbVersion}) {
    if (std::string text = version(); !text.empty()) libraries.push_back(std::move(text));
  }
  return libraries;
}

}  // namespace

ObjectFactory& NativeObjects() {
  static NativeObjectFactory factory;
  return factory;
}

std::string LibraryVersions() {
  std::string text;
  for (const std::string& library : Libraries()) text += (text.empty() ? "" : ", ") + library;
  return text;
}

// Libraries that do not fit whole within the limit give way to "...", so that no version is shown cut
// short; --version names them all.
std::string ComponentVersion() {
  std::string text = std::string(kLayerVersion) + " (";
  const std::vector<std::string> libraries = Libraries();
  constexpr std::string_view kMore = ", ...)";
  for (std::size_t i = 0; i < libraries.size(); ++i) {
    const std::string next = (i == 0 ? "" : ", ") + libraries[i];
    const std::size_t after = i + 1 == libraries.size() ? 1 : kMore.size();
    if (text.size() + next.size() + after > kVersionLimit) {
      text += i == 0 ? kMore.substr(2) : kMore;
      return text;
    }
    text += next;
  }
  return text + ")";
}

}  // namespace ql::access
