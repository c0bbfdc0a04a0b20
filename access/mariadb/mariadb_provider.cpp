#include "access/mariadb/mariadb_provider.h"

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
    errors.Raise(kProviderFailed, kMariadbSource,
                 "MariaDB Connector/C cannot be loaded (" + why + "); install the Debian package " + kMariadbPackage +
                     ".");
  }
  return *api;
}

}  // namespace

std::unique_ptr<ProviderSession> OpenMariadbSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors) {
  const MariadbApi& api = RequireMariadb(*errors);
  MariadbLogin login = MariadbKeys(pairs, *errors);
  return MakeMariadbSession(api, std::move(login), std::move(errors));
}

std::unique_ptr<ProviderSession> OpenMariadbUriSession(const ConnectionString& pairs,
                                                       std::shared_ptr<ErrorList> errors) {
  const MariadbApi& api = RequireMariadb(*errors);
  MariadbLogin login = MariadbUri(pairs.Find("URI").value_or(""), pairs.Find("User ID").value_or(""),
                                  pairs.Find("Password").value_or(""), *errors);
  return MakeMariadbSession(api, std::move(login), std::move(errors));
}

std::string MariadbVersion() {
  std::string why;
  const MariadbApi* api = LoadMariadb(why);
  if (api == nullptr) return {};
  return std::string("libmariadb ") + api->clientInfo();
}

}  // namespace ql::access
