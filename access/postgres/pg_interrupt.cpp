#include "access/postgres/pg_interrupt.h"

#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <poll.h>
#include <atomic>

#include <cerrno>
#include <cstdint>
#include <system_error>
#include <thread>
#include <utility>

namespace ql::access {

struct PgCanceller::Shared {
  Shared(const LibpqApi& libpq, PgCancel request) : api(libpq), cancel(std::move(request)) {}
  ~Shared() {
    if (wakeFd >= 0) ::close(wakeFd);
    if (sentFd >= 0) ::close(sentFd);
  }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;

  const LibpqApi& api;
  PgCancel cancel;
  int wakeFd = -1;
  int sentFd = -1;  // written once a request has been sent
  // Requests made, and requests sent: a request is sent once the requests count when its send began.
  std::atomic<std::uint64_t> requested{0};
  std::atomic<std::uint64_t> sent{0};
  std::atomic<bool> stopping{false};
};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

namespace {

// Writes one wake-up; a full counter means one is pending already. Async-signal-safe.
void Wake(int fd) noexcept {
  if (fd < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

}  // namespace

PgCanceller::PgCanceller(const LibpqApi& api, PgCancel cancel)
    : shared_(std::make_shared<Shared>(api, std::move(cancel))), requestFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (!shared_->cancel) return;
  const int wakeFd = ::eventfd(0, EFD_CLOEXEC);
  shared_->sentFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0 || shared_->sentFd < 0) {
    if (wakeFd >= 0) ::close(wakeFd);
    return;
  }
  shared_->wakeFd = wakeFd;
  // The thread takes no signal: Ctrl-C and the signals that end the program stay with the thread
  // that runs the commands.
  sigset_t all;
  sigset_t previous;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_BLOCK, &all, &previous);
  try {
    std::thread([shared = shared_] {
      for (;;) {
        std::uint64_t count = 0;
        if (::read(shared->wakeFd, &count, sizeof count) < 0 && errno == EINTR) continue;
        if (shared->stopping.load()) return;
        const std::uint64_t covered = shared->requested.load();
        char reason[256];
        shared->api.cancel(shared->cancel.get(), reason, sizeof reason);
        shared->sent.store(covered);
        Wake(shared->sentFd);
      }
    }).detach();
  } catch (const std::system_error&) {
    // Without a thread the connection still works; Ctrl-C then stops nothing on the server, and
    // the session's wait gives up on it after its limit.
    ::close(shared_->wakeFd);
    shared_->wakeFd = -1;
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

PgCanceller::~PgCanceller() {
  shared_->stopping.store(true);
  Wake(shared_->wakeFd);
  if (requestFd_ >= 0) ::close(requestFd_);
}

void PgCanceller::Request() noexcept {
  // Counted only where a thread sends it, so that AwaitSent never waits for what nobody sends.
  if (shared_->wakeFd >= 0) shared_->requested.fetch_add(1);
  Wake(shared_->wakeFd);
  Wake(requestFd_);
}

bool PgCanceller::TakeRequest() noexcept {
  std::uint64_t count = 0;
  return requestFd_ >= 0 && ::read(requestFd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

bool PgCanceller::AwaitSent(std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const std::uint64_t wanted = shared_->requested.load();
  const Clock::time_point deadline = Clock::now() + limit;
  while (shared_->sent.load() < wanted) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd sent{shared_->sentFd, POLLIN, 0};
    if (::poll(&sent, 1, static_cast<int>(left.count())) > 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t got = ::read(shared_->sentFd, &count, sizeof count);
    }
  }
  return true;
}

}  // namespace ql::access
