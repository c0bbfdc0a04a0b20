#pragma once
// Lets an interrupt reach SQLite only while a call into it is working.
//
// sqlite3_interrupt stays in force until every unfinished statement of the connection is done, and
// a static cursor keeps its statement unfinished between fetches. An interrupt that arrived while
// nothing ran (Ctrl-C while a record is being printed) would therefore fail the next fetch, long
// after the work it was meant for. The interrupt comes from a signal handler on the thread that
// makes the calls, so the count it reads is exact at that moment.

#include <sqlite3.h>

#include <atomic>

namespace ql::access {

class InterruptGate {
 public:
  explicit InterruptGate(sqlite3* db) noexcept : db_(db) {}

  // Held around each call that runs SQL (prepare, step).
  class Working {
   public:
    explicit Working(InterruptGate& gate) noexcept : gate_(gate) { gate_.working_.fetch_add(1); }
    ~Working() { gate_.working_.fetch_sub(1); }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;

   private:
    InterruptGate& gate_;
  };

  // Async-signal-safe. True when a call was working and has been told to stop.
  bool Interrupt() noexcept {
    if (working_.load() == 0) return false;
    sqlite3_interrupt(db_);
    return true;
  }

 private:
  sqlite3* db_;
  std::atomic<int> working_{0};
};

}  // namespace ql::access
