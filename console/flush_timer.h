#pragma once
// Writes held output out from a helper thread once the program has been blocked for a while.
//
// Output is held so that a stream of quick commands costs few writes; a command that may wait (a
// statement, a connection) must not keep it held while it waits. Writing it out before each such
// command costs a system call per statement; this writes it out only once the command has lasted a
// moment, which a quick one never does.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace ql::console {

class FlushTimer {
 public:
  explicit FlushTimer(std::function<void()> flush);
  ~FlushTimer();  // stops the helper thread
  FlushTimer(const FlushTimer&) = delete;
  FlushTimer& operator=(const FlushTimer&) = delete;

  // `flush` runs once `age` has passed, on the helper thread, unless Stop comes first. Until Stop
  // returns, the caller must not touch what `flush` touches. When no thread can be started,
  // `flush` runs at once on the caller's thread.
  void Start(std::chrono::milliseconds age);
  // Returns once a flush under way has finished; `flush` does not run again before the next Start.
  void Stop();

 private:
  using Clock = std::chrono::steady_clock;

  void Run();

  std::function<void()> flush_;
  std::mutex mutex_;  // held while `flush` runs
  std::condition_variable wake_;
  Clock::time_point deadline_;
  Clock::time_point waitingUntil_ = Clock::time_point::max();  // the helper's own timeout
  bool started_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace ql::console
