#pragma once
// Internal: which provider a connection string names, and the pairs that provider is given.

#include <string_view>

#include "access/connection_string.h"
#include "access/provider.h"

namespace ql::access {

struct ResolvedProvider {
  SessionOpener open = nullptr;
  ConnectionString pairs;  // without the Provider key, translated to the provider's own key names
};

// Raises kProviderNotFound (through `errors`) for a provider name the table does not hold. A user
// name or password given apart from the string fill in "User ID" and "Password" unless the string
// has them.
ResolvedProvider ResolveProvider(const ConnectionString& pairs, std::string_view user,
                                 std::string_view password, ErrorList& errors);

}  // namespace ql::access
