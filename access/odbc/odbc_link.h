#pragma once
// Internal: what an ODBC session shares with its cursors. A cursor keeps the link alive, so its
// statement handle is always freed before the connection and environment it belongs to.

#include <sql.h>

#include <atomic>
#include <memory>

#include "access/error_list.h"
#include "access/odbc/odbc_diagnostics.h"
#include "access/odbc/odbc_handle.h"

namespace ql::access {

struct OdbcLink {
  OdbcHandle environment;
  OdbcHandle connection;
  DriverIdentity driver;
  std::shared_ptr<ErrorList> errors;
  // SQLGetData abilities (SQL_GD_BOUND, SQL_GD_BLOCK, ...), from SQL_GETDATA_EXTENSIONS.
  SQLUINTEGER getDataExtensions = 0;
  bool hasMoreResults = false;
  // The statement executing or fetching right now, for Interrupt; null between calls.
  std::atomic<SQLHSTMT> running{SQL_NULL_HSTMT};

  [[noreturn]] void Raise(const OdbcHandle& handle, std::string_view doing) const {
    RaiseDiagnostics(*errors, handle.Type(), handle.Get(), driver, doing);
  }
};

// Marks a statement as running for as long as it lives.
class RunningStatement {
 public:
  RunningStatement(OdbcLink& link, SQLHSTMT statement) : link_(link) { link_.running.store(statement); }
  ~RunningStatement() { link_.running.store(SQL_NULL_HSTMT); }
  RunningStatement(const RunningStatement&) = delete;
  RunningStatement& operator=(const RunningStatement&) = delete;

 private:
  OdbcLink& link_;
};

static_assert(std::atomic<SQLHSTMT>::is_always_lock_free, "Interrupt reads the running statement in a signal handler");

}  // namespace ql::access
