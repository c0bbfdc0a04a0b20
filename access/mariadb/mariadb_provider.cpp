#include <memory>
#include <string>

#include "access/core/provider_table.h"
#include "access/mariadb/mariadb_errors.h"
#include "access/mariadb/mariadb_keys.h"
#include "access/mariadb/mariadb_library.h"
#include "access/mariadb/mariadb_session.h"

namespace ql::access {
namespace {

const MariadbApi& RequireMariadb(ErrorList& errors) {
  std::string why;
  const MariadbApi* api = LoadMariadb(why);
  if (api == nullptr) {
    errors.Raise(
        kProviderFailed, kMariadbSource,
        "MariaDB Connector/C cannot be loaded (" + why + "); install the Debian package " + kMariadbPackage + ".");
  }
  return *api;
}

// Connects with the OLE DB keys of `pairs` (the Provider key already removed), which the provider
// reads itself.
std::unique_ptr<ProviderSession> OpenMariadbSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors) {
  const MariadbApi& api = RequireMariadb(*errors);
  MariadbLogin login = MariadbKeys(pairs, *errors);
  return MakeMariadbSession(api, std::move(login), std::move(errors));
}

// Connects with a mariadb:// or mysql:// URI.
std::unique_ptr<ProviderSession> OpenMariadbUriSession(const ConnectionString& pairs,
                                                       std::shared_ptr<ErrorList> errors) {
  const MariadbApi& api = RequireMariadb(*errors);
  MariadbLogin login = MariadbUri(pairs.Find("URI").value_or(""), pairs.Find("User ID").value_or(""),
                                  pairs.Find("Password").value_or(""), *errors);
  return MakeMariadbSession(api, std::move(login), std::move(errors));
}

// "libmariadb 3.3.20"; empty when the library cannot be loaded. Loads it.
std::string MariadbVersion() {
  std::string why;
  const MariadbApi* api = LoadMariadb(why);
  if (api == nullptr) return {};
  return std::string("libmariadb ") + api->clientInfo();
}

}  // namespace

// MariaDB and MySQL through MariaDB Connector/C, which is loaded when the first such connection opens.
constinit const ProviderEntry kMariadbProvider{
    .names = {"MariaDB", "MySQL"},
    .open = &OpenMariadbSession,
    .version = &MariadbVersion,
    .claims = &IsMariadbUri,
    .openClaimed = &OpenMariadbUriSession,
};

}  // namespace ql::access
