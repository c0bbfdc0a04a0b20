#include "access/odbc/odbc_interrupt.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace ql::access {

OdbcCanceller::OdbcCanceller() : wakeFd_(::eventfd(0, EFD_CLOEXEC)) {
  if (wakeFd_ < 0) return;
  try {
    thread_ = std::thread(&OdbcCanceller::Serve, this);
  } catch (const std::system_error&) {
    // Without a thread a connection still works; Ctrl-C then cannot stop its statements.
    ::close(wakeFd_);
    wakeFd_ = -1;
  }
}

OdbcCanceller::~OdbcCanceller() {
  if (wakeFd_ < 0) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  Interrupt();
  thread_.join();
  ::close(wakeFd_);
}

void OdbcCanceller::Interrupt() noexcept {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  // A full counter means a wake-up is pending already.
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void OdbcCanceller::Serve() {
  for (;;) {
    std::uint64_t count = 0;
    if (::read(wakeFd_, &count, sizeof count) < 0 && errno == EINTR) continue;
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    if (running_ != SQL_NULL_HSTMT) {
      SQLCancel(running_);
      cancelled_ = running_;
    }
  }
}

bool OdbcCanceller::Cancelled(SQLHANDLE handle) {
  std::lock_guard lock(mutex_);
  return handle != SQL_NULL_HANDLE && handle == cancelled_;
}

OdbcCanceller::Running::Running(OdbcCanceller& canceller, SQLHSTMT statement) : canceller_(canceller) {
  std::lock_guard lock(canceller_.mutex_);
  canceller_.running_ = statement;
  canceller_.cancelled_ = SQL_NULL_HSTMT;
}

OdbcCanceller::Running::~Running() {
  std::lock_guard lock(canceller_.mutex_);
  canceller_.running_ = SQL_NULL_HSTMT;
}

}  // namespace ql::access
