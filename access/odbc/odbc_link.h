#pragma once
// What an ODBC session shares with its cursors. A cursor keeps the link alive, so its
// statement handle is always freed before the connection and environment it belongs to.

#include <sql.h>

#include <memory>

#include "access/core/error_list.h"
#include "access/odbc/odbc_errors.h"
#include "access/odbc/odbc_handle.h"
#include "access/odbc/odbc_interrupt.h"
#include "access/odbc/odbc_messages.h"

namespace ql::access {

struct OdbcLink {
  OdbcHandle environment;
  OdbcHandle connection;
  DriverIdentity driver;
  std::shared_ptr<ErrorList> errors;
  // SQLGetData abilities (SQL_GD_BOUND, SQL_GD_BLOCK, ...), from SQL_GETDATA_EXTENSIONS.
  SQLUINTEGER getDataExtensions = 0;
  bool hasMoreResults = false;
  // Whether a result without rows may have others after it. MariaDB's driver, when the connection
  // does not allow several statements in one text, can crash when asked for more results after such
  // a result; there the only texts with several results are CALLs, whose result without rows is
  // their last.
  bool resultsFollowCounts = true;
  // Set once a failure's diagnostics showed that the link to the database is gone (ShowsLinkLost).
  bool lost = false;
  OdbcMessages messages;
  // Last, so that its thread is stopped before the handles above are freed.
  OdbcCanceller canceller;

  // Keeps the messages of a call on `handle` that returned `rc`.
  void Note(SQLRETURN rc, const OdbcHandle& handle) { messages.Collect(rc, handle.Type(), handle.Get()); }

  [[noreturn]] void Raise(const OdbcHandle& handle, std::string_view doing) {
    RaiseDiagnostics(*errors, handle.Type(), handle.Get(), driver, doing, &lost, canceller.Cancelled(handle.Get()));
  }
};

// Marks a statement as executing or fetching, so that Interrupt can cancel it.
class RunningStatement {
 public:
  RunningStatement(OdbcLink& link, SQLHSTMT statement) : running_(link.canceller, statement) {}

 private:
  OdbcCanceller::Running running_;
};

}  // namespace ql::access
