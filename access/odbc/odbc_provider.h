#pragma once
// The ODBC provider, over the unixODBC driver manager.

#include <memory>
#include <string>

#include "access/core/provider.h"

namespace ql::access {

// Connects with SQLDriverConnect; `pairs` are the driver manager's keys (DSN, Driver, UID, PWD, ...),
// already translated from the OLE DB names where the provider table asks for it.
std::unique_ptr<ProviderSession> OpenOdbcSession(const ConnectionString& pairs,
                                                 std::shared_ptr<ErrorList> errors);

// "unixODBC 2.3.11"; empty when the driver manager cannot tell.
std::string OdbcVersion();

}  // namespace ql::access
