#pragma once
// Owners of the SQLite handles. A database handle is shared by the session and the
// cursors made on it, so it closes only when the last of them is gone.

#include <sqlite3.h>

#include <memory>

namespace ql::access {

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};

using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;
using DatabaseHandle = std::shared_ptr<sqlite3>;

// Takes ownership of a handle from sqlite3_open_v2, which must be closed even when opening failed.
inline DatabaseHandle AdoptDatabase(sqlite3* db) {
  return DatabaseHandle(db, [](sqlite3* handle) noexcept { sqlite3_close_v2(handle); });
}

}  // namespace ql::access
