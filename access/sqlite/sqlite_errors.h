#pragma once
// SQLite failures as the layer's result codes.

#include <sqlite3.h>

#include "access/core/error_list.h"

namespace ql::access {

// The result code for an SQLite result code (primary or extended) and sqlite3's message.
ResultCode MapSqliteResult(int rc, const char* message);

// Raises the failure `rc` of `db` through `errors`, with sqlite3's own message as the description
// and "SQLite" as the source. `db` may be null (no handle could be made).
[[noreturn]] void RaiseSqlite(ErrorList& errors, sqlite3* db, int rc);

}  // namespace ql::access
