#pragma once
// Which provider a connection string names, and the pairs that provider is given: the one place
// that knows every provider. Only the layer's factory (data_access.cpp) and tests use it; it hands
// ResolveProvider to each connection it makes.

#include <string_view>

#include "access/core/connection_string.h"
#include "access/core/provider.h"

namespace ql::access {

// Raises kProviderNotFound (through `errors`) for a provider name the table does not hold. A user
// name or password given apart from the string fill in "User ID" and "Password" unless the string
// has them.
ResolvedProvider ResolveProvider(const ConnectionString& pairs, std::string_view user,
                                 std::string_view password, ErrorList& errors);

// The connection string as typed. One that starts with "postgresql://" or "postgres://" is a
// PostgreSQL URI, handed to libpq as it stands, and one that starts with "mariadb://" or "mysql://"
// a MariaDB URI, each before any reading of it as key=value pairs;
// anything else is read as pairs and resolved as above, a piece without '=' being refused
// (kProviderFailed) rather than taken for a key with no value.
ResolvedProvider ResolveProvider(std::string_view text, std::string_view user, std::string_view password,
                                 ErrorList& errors);

}  // namespace ql::access
