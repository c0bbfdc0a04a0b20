// The helper thread behind held output written out late.

#include "console/flush_timer.h"

#include <signal.h>

#include <system_error>
#include <utility>

namespace ql::console {

FlushTimer::FlushTimer(std::function<void()> flush) : flush_(std::move(flush)) {}

FlushTimer::~FlushTimer() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

// A stream of quick commands wakes the helper only when it has nothing to wait for: a later
// deadline than the one it waits for is seen when that one passes.
void FlushTimer::Start(std::chrono::milliseconds age) {
  const Clock::time_point deadline = Clock::now() + age;
  bool wake = false;
  {
    const std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
      // The helper takes no signal: Ctrl-C, a terminal's resize and the signals that end the
      // program stay with the thread that runs the commands.
      sigset_t all;
      sigset_t previous;
      ::sigfillset(&all);
      ::pthread_sigmask(SIG_BLOCK, &all, &previous);
      try {
        thread_ = std::thread([this] { Run(); });
      } catch (const std::system_error&) {
      }
      ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    if (thread_.joinable()) {
      deadline_ = deadline;
      started_ = true;
      wake = deadline < waitingUntil_;
    }
  }
  if (wake) {
    wake_.notify_one();
  } else if (!thread_.joinable()) {
    flush_();
  }
}

void FlushTimer::Stop() {
  const std::lock_guard lock(mutex_);
  started_ = false;
}

void FlushTimer::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!started_) {
      waitingUntil_ = Clock::time_point::max();
      wake_.wait(lock);
      continue;
    }
    if (Clock::now() < deadline_) {
      waitingUntil_ = deadline_;
      wake_.wait_until(lock, waitingUntil_);
      waitingUntil_ = Clock::time_point::max();
      continue;
    }
    started_ = false;
    flush_();
  }
}

}  // namespace ql::console
