#pragma once
// The embedded SQLite provider.

#include <memory>
#include <string>

#include "access/core/provider.h"

namespace ql::access {

// Opens the file named by `Data Source` (none, or ":memory:", for an in-memory database);
// `Mode=Read` opens it read-only.
std::unique_ptr<ProviderSession> OpenSqliteSession(const ConnectionString& pairs,
                                                   std::shared_ptr<ErrorList> errors);

// "SQLite 3.40.1"
std::string SqliteVersion();

}  // namespace ql::access
