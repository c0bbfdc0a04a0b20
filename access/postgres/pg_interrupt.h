#pragma once
// Sends libpq's cancel requests from a thread of its own.
//
// PQcancel connects to the server, sends the request and then waits until the server closes that
// connection: a server that takes the connection and never answers (stopped, overloaded) keeps it
// waiting without end. So neither a signal handler nor a command calls it. A request only wakes
// this thread (an eventfd write, which is async-signal-safe) and marks the request for the
// session's own wait, which gives the server a limited time to answer (PgLink).
//
// The thread owns the cancel object and its wake-up descriptor, and is never joined: when the
// session ends, a thread still waiting on a silent server finishes on its own once the server
// answers or the connection breaks, and frees what it owns then.

#include <chrono>
#include <memory>

#include "access/postgres/pg_handles.h"

namespace ql::access {

class PgCanceller {
 public:
  // Takes `cancel` (from PQgetCancel). Without it, or without a thread, a request sends nothing but
  // is still marked for the session's wait.
  PgCanceller(const LibpqApi& api, PgCancel cancel);
  ~PgCanceller();  // tells the thread to end, without waiting for it
  PgCanceller(const PgCanceller&) = delete;
  PgCanceller& operator=(const PgCanceller&) = delete;

  // Async-signal-safe: has the thread send a cancel request, and makes RequestFd readable. Requests
  // made while one is being sent are sent after it, once.
  void Request() noexcept;
  // A descriptor for poll: readable once a request was made since the last TakeRequest; -1 when none
  // could be had.
  int RequestFd() const noexcept { return requestFd_; }
  // True when a request was made since the last call; empties RequestFd.
  bool TakeRequest() noexcept;
  // Waits until every request made so far has been sent: the server has taken it (PQcancel returned).
  // False when that did not happen within `limit`. The server acts on a request once it has it, so a
  // request still on its way could stop the next statement instead of the one it was meant for.
  bool AwaitSent(std::chrono::milliseconds limit);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  int requestFd_ = -1;
};

}  // namespace ql::access
