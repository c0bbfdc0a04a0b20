#pragma once
// The MariaDB and MySQL provider, over MariaDB Connector/C (libmariadb), which is loaded when the
// first such connection opens.

#include <memory>
#include <string>

#include "access/core/provider.h"

namespace ql::access {

// Connects with the OLE DB keys of `pairs` (the Provider key already removed).
std::unique_ptr<ProviderSession> OpenMariadbSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors);

// Connects with a mariadb:// or mysql:// URI, the pairs being "URI" and, when given apart from it,
// "User ID" and "Password". Only the provider table makes these pairs.
std::unique_ptr<ProviderSession> OpenMariadbUriSession(const ConnectionString& pairs,
                                                       std::shared_ptr<ErrorList> errors);

// "libmariadb 3.3.20"; empty when the library cannot be loaded. Loads it.
std::string MariadbVersion();

}  // namespace ql::access
