#include "access/odbc/odbc_statement.h"

#include <sqlext.h>

#include <utility>

namespace ql::access {

OdbcStatement::OdbcStatement(std::shared_ptr<OdbcLink> link, OdbcHandle handle, bool results)
    : link_(std::move(link)), handle_(std::move(handle)), results_(results) {}

void OdbcStatement::MoveOn(bool hadRows) {
  next_ = Next::kDone;
  if (results_ && link_->hasMoreResults && (hadRows || link_->resultsFollowCounts)) {
    SQLRETURN rc;
    {
      RunningStatement running(*link_, handle_.Get());
      rc = SQLMoreResults(handle_.Get());
    }
    if (SQL_SUCCEEDED(rc)) {
      link_->Note(rc, handle_);
      next_ = Next::kWaiting;
      return;
    }
    if (rc != SQL_NO_DATA) {
      failure_ = ReadDiagnostics(handle_.Type(), handle_.Get(), link_->driver);
      if (failure_.empty()) {
        failure_.push_back(
            {kProviderFailed, link_->driver.name, "Moving to the next result failed, and the driver gave no reason."});
      }
      next_ = Next::kFailed;
    }
  }
  SQLFreeStmt(handle_.Get(), SQL_CLOSE);
}

std::vector<ErrorRecord> OdbcStatement::TakeFailure() {
  next_ = Next::kDone;
  return std::exchange(failure_, {});
}

std::int64_t RowCountOf(const OdbcStatement& statement, SQLRETURN rc) {
  // Some drivers leave the count unwritten where they have none (psqlODBC after DROP or BEGIN).
  SQLLEN count = -1;
  if (!SQL_SUCCEEDED(SQLRowCount(statement.Get(), &count))) count = -1;
  if (rc == SQL_NO_DATA && count < 0) return 0;
  return count < 0 ? -1 : static_cast<std::int64_t>(count);
}

}  // namespace ql::access
