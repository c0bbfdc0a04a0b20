#include "access/odbc/odbc_errors.h"

#include <sqlext.h>

#include <cstring>
#include <limits>

#include "access/core/client_errors.h"
#include "access/core/sql_state.h"

namespace ql::access {
namespace {

// Where a driver's SQLSTATE says less than the database's own code, which it passes as the native
// error, the native code decides. A message prefix narrows a row further.
struct NativeCode {
  std::string_view library;  // part of the driver's library file name
  SQLINTEGER native;
  std::string_view messagePrefix;
  ResultCode code;
};

constexpr NativeCode kNativeCodes[] = {
    // The SQLite driver reports every error as HY000 with SQLite's result code, its messages
    // prefixed with "[SQLite]".
    {"sqlite3odbc", 1, "[SQLite]no such table", kNoSuchTable},
    {"sqlite3odbc", 1, "", kStatementError},
    {"sqlite3odbc", 19, "", kConstraintViolated},
    // MariaDB's driver gives a query stopped by a cancel as HY018 (server declined the cancel).
    {"maodbc", 1317, "", kCancelled},
};

// The drivers' own ways of saying that the connection is gone, besides SQLSTATE class 08. An empty
// state matches any state.
struct LostLink {
  std::string_view library;
  std::string_view sqlState;
};

constexpr LostLink kLostLinks[] = {
    // psqlODBC passes the server's own state when the server ends the session: shut down (57P01,
    // also pg_terminate_backend) or crashed (57P02).
    {"psqlodbc", "57P01"},
    {"psqlodbc", "57P02"},
};

// MariaDB's driver gives Connector/C's codes as its native errors, often under HY000.
constexpr std::string_view kMariadbDriver = "maodbc";

// Diagnostic records beyond this many are not read: a driver that never says SQL_NO_DATA must not
// make the list grow without end.
constexpr SQLSMALLINT kMaxRecords = 64;

}  // namespace

ResultCode MapDiagnostic(std::string_view sqlState, SQLINTEGER nativeError, std::string_view message,
                         const DriverIdentity& driver) {
  for (const NativeCode& row : kNativeCodes) {
    if (driver.library.find(row.library) != std::string::npos && row.native == nativeError &&
        message.starts_with(row.messagePrefix)) {
      return row.code;
    }
  }
  return MapSqlState(sqlState);
}

bool ShowsLinkLost(std::string_view sqlState, SQLINTEGER nativeError, const DriverIdentity& driver) {
  if (sqlState.starts_with("08")) return true;
  if (driver.library.find(kMariadbDriver) != std::string::npos && IsMariadbLostLinkCode(nativeError)) return true;
  for (const LostLink& row : kLostLinks) {
    if (driver.library.find(row.library) != std::string::npos && row.sqlState == sqlState) return true;
  }
  return false;
}

std::vector<DiagnosticRecord> ReadDiagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::vector<DiagnosticRecord> records;
  if (handle == SQL_NULL_HANDLE) return records;
  // As large as a message can be. psqlODBC does not report the length of a message that does not
  // fit: it fills the buffer and hands the rest over as the next record, which would cut a message
  // (or one of the notices it joins in one record) in two.
  std::string message(std::numeric_limits<SQLSMALLINT>::max(), '\0');
  for (SQLSMALLINT number = 1; number <= kMaxRecords; ++number) {
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN rc =
        SQLGetDiagRec(handleType, handle, number, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                      static_cast<SQLSMALLINT>(message.size()), &length);
    if (!SQL_SUCCEEDED(rc)) break;
    // The length the driver reports may count bytes it could not write; the text ends at its NUL.
    records.push_back({std::string(reinterpret_cast<const char*>(state)), native,
                       std::string(message.data(), ::strnlen(message.data(), message.size()))});
  }
  return records;
}

std::vector<ErrorRecord> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const DriverIdentity& driver,
                                         bool* linkLost) {
  std::vector<ErrorRecord> records;
  for (const DiagnosticRecord& record : ReadDiagnosticRecords(handleType, handle)) {
    std::string description = OneLine(record.text);
    if (description.empty()) {
      description = "SQLSTATE " + record.sqlState;
    } else {
      description += " (SQLSTATE " + record.sqlState + ")";
    }
    if (linkLost != nullptr && ShowsLinkLost(record.sqlState, record.native, driver)) *linkLost = true;
    records.push_back(
        {MapDiagnostic(record.sqlState, record.native, record.text, driver), driver.name, std::move(description)});
  }
  return records;
}

void RaiseDiagnostics(ErrorList& errors, SQLSMALLINT handleType, SQLHANDLE handle, const DriverIdentity& driver,
                      std::string_view doing, bool* linkLost, bool cancelled) {
  std::vector<ErrorRecord> records = ReadDiagnostics(handleType, handle, driver, linkLost);
  if (records.empty() && cancelled) {
    records.push_back({kCancelled, driver.name, std::string(doing) + " was cancelled."});
  } else if (records.empty()) {
    records.push_back({kProviderFailed, driver.name, std::string(doing) + " failed, and the driver gave no reason."});
  }
  errors.Raise(std::move(records));
}

}  // namespace ql::access
