#include "access/data_access.h"

#include <string_view>
#include <vector>

#include "access/core/native_connection.h"
#include "access/core/native_recordset.h"
#include "access/core/provider_table.h"

namespace ql::access {
namespace {

constexpr std::string_view kLayerVersion = "1.0";
constexpr std::size_t kVersionLimit = 63;

class NativeObjectFactory final : public ObjectFactory {
 public:
  Ref<Connection> CreateConnection() override { return MakeNativeConnection(&ResolveProvider); }
  Ref<Recordset> CreateRecordset() override { return MakeNativeRecordset(); }
};

// The providers' libraries' names and versions, in the table's order, those that cannot be loaded
// left out.
std::vector<std::string> Libraries() {
  std::vector<std::string> libraries;
  for (const ProviderEntry* provider : Providers()) {
    if (provider->version == nullptr) continue;
    if (std::string text = provider->version(); !text.empty()) libraries.push_back(std::move(text));
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

// A library that does not fit whole within the limit is left out, so that no version is shown cut
// short and the text stays what it was before that library was added; --version names them all.
std::string ComponentVersion() {
  std::string text = std::string(kLayerVersion) + " (";
  bool first = true;
  for (const std::string& library : Libraries()) {
    const std::string next = (first ? "" : ", ") + library;
    if (text.size() + next.size() + 1 > kVersionLimit) continue;
    text += next;
    first = false;
  }
  return text + ")";
}

}  // namespace ql::access
