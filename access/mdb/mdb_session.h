#pragma once
// Access database files (.mdb, .accdb), opened read-only through the MDBTools ODBC driver.

#include <memory>

#include "access/core/provider.h"

namespace ql::access {

// `pairs` are the driver's keys (Driver, DBQ). The file is checked before the driver sees it: a
// missing, unreadable or foreign file is reported here rather than left to the driver. Statements
// other than queries are refused with kPermissionDenied, so the file is never changed.
std::unique_ptr<ProviderSession> OpenAccessFileSession(const ConnectionString& pairs,
                                                       std::shared_ptr<ErrorList> errors);

}  // namespace ql::access
