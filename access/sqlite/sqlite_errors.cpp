#include "access/sqlite/sqlite_errors.h"

#include <string>
#include <string_view>

namespace ql::access {
namespace {

struct SqliteCode {
  int primary;
  ResultCode code;
};

// SQLite's primary result codes; any code not listed is a provider failure.
constexpr SqliteCode kSqliteCodes[] = {
    {SQLITE_ERROR, kStatementError},  // "no such table" is told apart by its message, below
    {SQLITE_PERM, kPermissionDenied},  {SQLITE_READONLY, kPermissionDenied},
    {SQLITE_AUTH, kPermissionDenied},  {SQLITE_CONSTRAINT, kConstraintViolated},
    {SQLITE_INTERRUPT, kCancelled},    {SQLITE_TOOBIG, kOutOfRange},
    {SQLITE_RANGE, kOutOfRange},       {SQLITE_MISMATCH, kTypeMismatch},
    {SQLITE_NOMEM, kOutOfMemory},      {SQLITE_CANTOPEN, kProviderFailed},
    {SQLITE_NOTADB, kProviderFailed},  {SQLITE_IOERR, kProviderFailed},
    {SQLITE_CORRUPT, kProviderFailed}, {SQLITE_FULL, kProviderFailed},
    {SQLITE_BUSY, kProviderFailed},    {SQLITE_LOCKED, kProviderFailed},
};

}  // namespace

ResultCode MapSqliteResult(int rc, const char* message) {
  const int primary = rc & 0xFF;
  if (primary == SQLITE_ERROR && message != nullptr && std::string_view(message).starts_with("no such table")) {
    return kNoSuchTable;
  }
  for (const SqliteCode& entry : kSqliteCodes) {
    if (entry.primary == primary) return entry.code;
  }
  return kProviderFailed;
}

void RaiseSqlite(ErrorList& errors, sqlite3* db, int rc) {
  // sqlite3_errmsg describes the handle's last failure, which is `rc` as long as nothing ran since.
  const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  std::string description = message != nullptr ? message : sqlite3_errstr(rc);
  const ResultCode code = MapSqliteResult(rc, description.c_str());
  errors.Raise(code, "SQLite", std::move(description));
}

}  // namespace ql::access
