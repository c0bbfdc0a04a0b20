#pragma once
// The PostgreSQL provider, over libpq, which is loaded when the first PostgreSQL connection opens.

#include <memory>
#include <string>

#include "access/core/provider.h"

namespace ql::access {

// Connects with the OLE DB keys of `pairs` (the Provider key already removed).
std::unique_ptr<ProviderSession> OpenPostgresSession(const ConnectionString& pairs,
                                                     std::shared_ptr<ErrorList> errors);

// Connects with a PostgreSQL URI, the pairs being "URI" and, when given apart from it, "User ID" and
// "Password". Only the provider table makes these pairs.
std::unique_ptr<ProviderSession> OpenPostgresUriSession(const ConnectionString& pairs,
                                                        std::shared_ptr<ErrorList> errors);

// "libpq 15.20"; empty when libpq cannot be loaded. Loads it.
std::string LibpqVersion();

}  // namespace ql::access
