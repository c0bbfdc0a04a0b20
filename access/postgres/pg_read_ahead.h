#pragma once
// The rows of a streaming result read from the connection on a thread of its own, ahead of the
// cursor that hands them to the layer. In single-row mode libpq parses every row into a result of
// its own; done here, that work overlaps with what the layer does with the rows before, so a long
// result is read and shown on two processors at once.
//
// While the thread runs it alone uses the connection and the link's fields that reading changes;
// every other use of them stops it first (Stop), which wakes it from a wait for the server. The
// rows it has read wait in at most kBatchesAhead batches of about kBatchBytes each, so memory stays
// bounded whatever the size of the result.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "access/core/error_list.h"

namespace ql::access {

struct PgLink;

class PgReadAhead {
 public:
  static constexpr std::size_t kBatchesAhead = 4;
  static constexpr std::size_t kBatchBytes = 64 * 1024;

  // Rows as the server wrote them: each cell's length, or -1 for NULL, and the cells' bytes one
  // after the other.
  struct Batch {
    std::size_t rows = 0;
    std::vector<int> lengths;
    std::string bytes;
  };

  // Starts reading the rows of `link`'s streaming result, of `columns` columns. Throws
  // std::system_error when no thread can be had.
  PgReadAhead(PgLink& link, std::size_t columns);
  ~PgReadAhead();  // Stop
  PgReadAhead(const PgReadAhead&) = delete;
  PgReadAhead& operator=(const PgReadAhead&) = delete;

  // Waits for the next batch read and moves it into `batch`, whose room goes back to the reader;
  // false once the reader has stopped and every batch it read was taken.
  bool Take(Batch& batch);
  // Has the thread stop after the row it is reading, or at once when it waits for the server, and
  // waits until it has: the connection is the caller's again. The batches read can still be taken.
  void Stop() noexcept;
  // Starts the thread again after Stop, unless the result has ended. Throws as the constructor does.
  void Resume();
  // Once Take returned false: how the result ended, its failure or none when it ended well (a
  // failure of the server's leaves the text's later results on the connection); nothing when the
  // reader was stopped before the end.
  std::optional<std::vector<ErrorRecord>> TakeEnding();

 private:
  void Run() noexcept;
  void ReadRows();
  // Reads rows into `batch` until it is full or the server keeps the next one waiting (it is then
  // handed over), or the reader is to stop; false then, with `ending` set when the result ended.
  bool ReadBatch(Batch& batch, std::optional<std::vector<ErrorRecord>>& ending);
  // Hands `batch` over to Take and gives the reader a spare one. Under the lock.
  void Publish(Batch& batch);
  void Start();

  PgLink& link_;
  const std::size_t columns_;
  int wakeFd_ = -1;  // an eventfd, readable while the thread is asked to stop
  std::thread thread_;

  std::mutex mutex_;
  std::condition_variable ready_;  // a batch was read, or the reader stopped
  std::condition_variable room_;   // a batch was taken, or the reader is asked to stop
  std::deque<Batch> full_;
  std::vector<Batch> spare_;
  std::optional<std::vector<ErrorRecord>> ending_;
  std::atomic<bool> stopping_{false};  // read by the thread between two rows, without the lock
  bool stopped_ = true;
};

}  // namespace ql::access
