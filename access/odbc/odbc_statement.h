#pragma once
// One statement handle and the results still to come from it. A text may give several results, one
// after the other. The cursor of the current result reads from the statement; once that result's
// rows are all read it moves the statement on to the next result at once (so that the server can
// let go of what it kept for the finished one), and the session, which keeps the statement when the
// layer drops that cursor, hands the next result out when it is asked for.

#include <sql.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "access/core/error_list.h"
#include "access/odbc/odbc_handle.h"
#include "access/odbc/odbc_link.h"

namespace ql::access {

class OdbcStatement {
 public:
  // Where the statement stands between two results.
  enum class Next {
    kReading,  // a result is current and its rows are not all read
    kWaiting,  // moved on to a result not yet handed out
    kFailed,   // moving on failed: the next statement of the text was refused
    kDone,     // no result follows
  };

  // `results` is false for a catalog function's single result, which is closed when its rows end.
  OdbcStatement(std::shared_ptr<OdbcLink> link, OdbcHandle handle, bool results);
  OdbcStatement(const OdbcStatement&) = delete;
  OdbcStatement& operator=(const OdbcStatement&) = delete;

  SQLHSTMT Get() const noexcept { return handle_.Get(); }
  const OdbcHandle& Handle() const noexcept { return handle_; }
  Next Position() const noexcept { return next_; }
  // The result just handed out is current.
  void MarkReading() noexcept { next_ = Next::kReading; }

  // The current result is finished (`hadRows`: it was a result with rows, all read): moves on to
  // the next result where one may follow, keeping its messages, or its failure for TakeFailure.
  // Otherwise the statement is closed, which lets the server drop what it held for the result.
  void MoveOn(bool hadRows);
  // The records of the failure MoveOn met; the statement then has nothing more to give.
  std::vector<ErrorRecord> TakeFailure();

 private:
  std::shared_ptr<OdbcLink> link_;
  OdbcHandle handle_;
  bool results_;
  Next next_ = Next::kReading;
  std::vector<ErrorRecord> failure_;
};

// What the statement's current result changed: SQLRowCount after a result without rows, -1 when the
// driver cannot tell, 0 after SQL_NO_DATA (a statement that touched no row) when it says nothing.
std::int64_t RowCountOf(const OdbcStatement& statement, SQLRETURN rc);

}  // namespace ql::access
