#pragma once
// The diagnostic records of a failed ODBC call, as the connection's error records.

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

#include "access/core/error_list.h"

namespace ql::access {

// Who reported a failure: the driver's name as the source of the records, and its library file
// name, by which a few drivers' general errors are told apart.
struct DriverIdentity {
  std::string name;
  std::string library;
};

// One diagnostic record as the driver manager hands it over.
struct DiagnosticRecord {
  std::string sqlState;
  SQLINTEGER native = 0;
  std::string text;  // up to its NUL, line breaks and all
};

// Every diagnostic record the handle holds, in order (at most a fixed number of them).
std::vector<DiagnosticRecord> ReadDiagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle);

// The result code of one diagnostic record.
ResultCode MapDiagnostic(std::string_view sqlState, SQLINTEGER nativeError, std::string_view message,
                         const DriverIdentity& driver);

// True when one diagnostic record says the link to the database is gone: SQLSTATE class 08 from any
// driver, and the states and native codes by which a few drivers say so otherwise.
bool ShowsLinkLost(std::string_view sqlState, SQLINTEGER nativeError, const DriverIdentity& driver);

// Every diagnostic record the handle holds, in order, one ErrorRecord each: the mapped code, the
// driver's name, and the message (on one line) followed by its SQLSTATE. `linkLost`, when given, is
// set when any of them ShowsLinkLost.
std::vector<ErrorRecord> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const DriverIdentity& driver,
                                         bool* linkLost = nullptr);

// Raises the handle's records; when it holds none, a provider failure saying what was being done,
// or kCancelled when the call was `cancelled`. `linkLost` as for ReadDiagnostics.
[[noreturn]] void RaiseDiagnostics(ErrorList& errors, SQLSMALLINT handleType, SQLHANDLE handle,
                                   const DriverIdentity& driver, std::string_view doing, bool* linkLost = nullptr,
                                   bool cancelled = false);

}  // namespace ql::access
