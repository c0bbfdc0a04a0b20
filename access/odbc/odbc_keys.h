#pragma once
// The connection string handed to SQLDriverConnect, made from the user's pairs.

#include <sql.h>

#include <string>

#include "access/core/connection_string.h"
#include "access/core/error_list.h"
#include "access/odbc/odbc_errors.h"

namespace ql::access {

struct ConnectRequest {
  std::string text;          // for SQLDriverConnect
  DriverIdentity driver;     // as far as the driver manager's configuration tells
  SQLUINTEGER loginTimeout;  // seconds; 0 waits as long as the network does
  // What the driver needs once connected to stay quiet; may be null.
  void (*afterConnect)(SQLHDBC);
  // Whether the driver may be asked for another result after one without rows (OdbcLink).
  bool resultsFollowCounts = true;
};

// The pairs for the driver manager, values braced where they need it, plus the settings that keep
// the driver from writing logs or traces (and that make it report its types plainly) wherever the
// user's string does not set them itself. "Connect Timeout" (seconds, 15 when absent) becomes the
// login timeout instead of a pair. Raises kOutOfRange for a timeout that is not a whole number of
// seconds.
ConnectRequest MakeConnectRequest(const ConnectionString& pairs, SQLHENV environment, ErrorList& errors);
// The same for a driver already identified, without asking the driver manager.
ConnectRequest MakeConnectRequest(const ConnectionString& pairs, DriverIdentity driver, ErrorList& errors);

// The OLE DB keys of a Provider=MSDASQL string under the driver manager's names: Data Source as DSN,
// User ID as UID, Password as PWD; every other key as written, each value as it was written.
ConnectionString OdbcOleDbKeys(const ConnectionString& oledb, ErrorList& errors);

}  // namespace ql::access
