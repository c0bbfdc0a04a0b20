#include "access/mariadb/mariadb_interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "access/mariadb/mariadb_session.h"

namespace ql::access {

bool KillQuery(const MariadbApi& api, const MariadbLogin& login, unsigned long threadId,
               const std::atomic<bool>& busy) noexcept {
  try {
    MariadbConnection killer(api.init(nullptr), MariadbConnectionClose{&api});
    std::string refused;
    // The session's login keeps the one host it reached.
    const MariadbHost host = login.hosts.empty() ? MariadbHost{} : login.hosts.front();
    if (!killer || !ConnectMariadb(api, killer.get(), login, host, ConnectPurpose::kKill, refused)) return false;
    const std::string kill = "KILL QUERY " + std::to_string(threadId);
    if (!busy.load()) return false;  // the statement ended while the connection was being made
    return api.realQuery(killer.get(), kill.data(), kill.size()) == 0;
  } catch (...) {
    return false;  // no memory for the text: the statement runs on
  }
}

MariadbInterrupt::MariadbInterrupt(const MariadbApi& api, const MariadbLogin& login, unsigned long threadId,
                                   const std::atomic<bool>& busy)
    : api_(api), login_(login), threadId_(threadId), busy_(busy) {
  // Non-blocking, so that a signal handler never waits on a full pipe (one byte waiting is enough).
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    wake_[0] = wake_[1] = -1;
    return;
  }
  // The helper blocks every signal, so that they keep going to the threads that handle them.
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  try {
    helper_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // Without a helper Ctrl-C cannot stop a statement; the session works otherwise.
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

MariadbInterrupt::~MariadbInterrupt() {
  stopping_.store(true);
  if (helper_.joinable()) {
    const char stop = 's';
    while (::write(wake_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    helper_.join();
  }
  for (int fd : wake_) {
    if (fd >= 0) ::close(fd);
  }
}

void MariadbInterrupt::Wake() noexcept {
  if (wake_[1] < 0) return;
  const int saved = errno;
  const char kill = 'k';
  [[maybe_unused]] const ssize_t written = ::write(wake_[1], &kill, 1);
  errno = saved;
}

void MariadbInterrupt::Run() {
  for (;;) {
    pollfd ready{wake_[0], POLLIN, 0};
    if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return;
    char drained[64];
    while (::read(wake_[0], drained, sizeof drained) > 0) {
    }
    if (stopping_.load()) return;
    if (busy_.load()) KillQuery(api_, login_, threadId_, busy_);
  }
}

}  // namespace ql::access
