#pragma once
// Cancels the statement an ODBC connection is running, on a thread of its own.
//
// An interrupt comes from a signal handler, where SQLCancel may not be called: the driver manager
// and the drivers take locks and allocate memory inside it, and the interrupted code may hold
// those very locks. The handler only wakes this thread (a write to an eventfd, which is
// async-signal-safe), and the thread calls SQLCancel, as ODBC allows from another thread. The
// running statement is published under a mutex that the calling thread holds only to set and
// clear it, never across a call into the driver, so a statement is never freed while the thread
// cancels it.

#include <sql.h>

#include <mutex>
#include <thread>

namespace ql::access {

class OdbcCanceller {
 public:
  OdbcCanceller();
  ~OdbcCanceller();  // stops and joins the thread
  OdbcCanceller(const OdbcCanceller&) = delete;
  OdbcCanceller& operator=(const OdbcCanceller&) = delete;

  // Async-signal-safe: asks the thread to cancel whatever runs when it wakes.
  void Interrupt() noexcept;
  // Whether `handle` is the statement marked running last, and was cancelled. A driver may fail a
  // cancelled call without a word (MariaDB's, when the cancel lands as the statement starts), and
  // the failure is then the cancel.
  bool Cancelled(SQLHANDLE handle);

  // Marks a statement as running for as long as it lives.
  class Running {
   public:
    Running(OdbcCanceller& canceller, SQLHSTMT statement);
    ~Running();
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    OdbcCanceller& canceller_;
  };

 private:
  void Serve();

  int wakeFd_ = -1;  // an eventfd; -1 when none could be had, and then nothing is cancelled
  std::mutex mutex_;
  SQLHSTMT running_ = SQL_NULL_HSTMT;    // guarded by mutex_
  SQLHSTMT cancelled_ = SQL_NULL_HSTMT;  // guarded by mutex_; the last one running, once cancelled
  bool stopping_ = false;                // guarded by mutex_
  std::thread thread_;
};

}  // namespace ql::access
