#pragma once
// Stopping a MariaDB statement from outside the session that runs it. The server stops a statement
// when another connection of the same user sends KILL QUERY with the session's thread id; no call on
// the session's own connection does it, and none of the library's calls may run in a signal handler.
// So a signal handler only wakes a helper thread (through a pipe), and that thread opens a
// short-lived second connection with the session's login and sends the KILL QUERY.

#include <atomic>
#include <thread>

#include "access/mariadb/mariadb_keys.h"
#include "access/mariadb/mariadb_library.h"

namespace ql::access {

// Sends KILL QUERY for `threadId` over a connection of its own with `login`, giving up after a few
// seconds, unless `busy` has turned false by the time the connection is made; false when it sent
// none. The server ignores it when the thread runs no statement.
bool KillQuery(const MariadbApi& api, const MariadbLogin& login, unsigned long threadId,
               const std::atomic<bool>& busy) noexcept;

class MariadbInterrupt {
 public:
  // `login` and `busy` must outlive this object. `busy` tells whether the session still runs the
  // statement the request was for: a KILL QUERY that arrives once it has ended would stop the
  // session's next statement instead, so none is sent then.
  MariadbInterrupt(const MariadbApi& api, const MariadbLogin& login, unsigned long threadId,
                   const std::atomic<bool>& busy);
  // Waits for a KILL QUERY under way to end (a few seconds at most), then stops the helper.
  ~MariadbInterrupt();
  MariadbInterrupt(const MariadbInterrupt&) = delete;
  MariadbInterrupt& operator=(const MariadbInterrupt&) = delete;

  // Asks the helper to send KILL QUERY; async-signal-safe (one write to a pipe). Nothing happens
  // when the helper could not be started.
  void Wake() noexcept;

 private:
  void Run();

  const MariadbApi& api_;
  const MariadbLogin& login_;
  const unsigned long threadId_;
  const std::atomic<bool>& busy_;
  int wake_[2] = {-1, -1};  // read end, write end
  std::atomic<bool> stopping_{false};
  std::thread helper_;
};

}  // namespace ql::access
