#include "access/postgres/pg_read_ahead.h"

#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>
#include <utility>

#include "access/postgres/pg_session.h"

namespace ql::access {

PgReadAhead::PgReadAhead(PgLink& link, std::size_t columns)
    : link_(link), columns_(columns), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  try {
    Start();
  } catch (...) {
    ::close(wakeFd_);
    throw;
  }
}

PgReadAhead::~PgReadAhead() {
  Stop();
  ::close(wakeFd_);
}

void PgReadAhead::Start() {
  {
    const std::lock_guard lock(mutex_);
    stopping_.store(false);
    stopped_ = false;
  }
  // The thread takes no signal: Ctrl-C and the signals that end the program stay with the thread
  // that runs the commands.
  sigset_t all;
  sigset_t previous;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_BLOCK, &all, &previous);
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (...) {
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    throw;
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void PgReadAhead::Resume() {
  if (thread_.joinable() || ending_) return;
  Start();
}

void PgReadAhead::Stop() noexcept {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_.store(true);
  }
  room_.notify_one();
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
  thread_.join();
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
}

bool PgReadAhead::Take(Batch& batch) {
  std::unique_lock lock(mutex_);
  ready_.wait(lock, [this] { return !full_.empty() || stopped_; });
  if (full_.empty()) return false;
  spare_.push_back(std::exchange(batch, std::move(full_.front())));
  full_.pop_front();
  lock.unlock();
  room_.notify_one();
  return true;
}

std::optional<std::vector<ErrorRecord>> PgReadAhead::TakeEnding() {
  const std::lock_guard lock(mutex_);
  return std::exchange(ending_, std::nullopt);
}

void PgReadAhead::Publish(Batch& batch) {
  full_.push_back(std::move(batch));
  if (spare_.empty()) {
    batch = Batch{};
  } else {
    batch = std::move(spare_.back());
    spare_.pop_back();
  }
  batch.rows = 0;
  batch.lengths.clear();
  batch.bytes.clear();
  ready_.notify_one();
}

void PgReadAhead::Run() noexcept {
  try {
    ReadRows();
  } catch (...) {
    // No room for a row or a message: the result ends in a failure that says so.
    const std::lock_guard lock(mutex_);
    try {
      ending_ = std::vector<ErrorRecord>{
          {kOutOfMemory, "PostgreSQL", "There is not enough memory to read the rows of this result."}};
    } catch (...) {
      ending_ = std::vector<ErrorRecord>{};
    }
  }
  const std::lock_guard lock(mutex_);
  stopped_ = true;
  ready_.notify_one();
}

void PgReadAhead::ReadRows() {
  Batch batch;
  std::optional<std::vector<ErrorRecord>> ending;
  for (bool more = true; more;) {
    {
      std::unique_lock lock(mutex_);
      room_.wait(lock, [this] { return stopping_.load() || full_.size() < kBatchesAhead; });
      if (stopping_.load()) break;
    }
    // Busy while rows are read, so that Ctrl-C cancels the statement; not while the reader waits for
    // room, as the cursor's rows then wait for the user.
    const BusyLink busy(link_);
    more = ReadBatch(batch, ending);
  }
  const std::lock_guard lock(mutex_);
  if (batch.rows > 0) Publish(batch);
  ending_ = std::move(ending);
}

bool PgReadAhead::ReadBatch(Batch& batch, std::optional<std::vector<ErrorRecord>>& ending) {
  const LibpqApi& api = *link_.api;
  PGconn* const connection = link_.connection.get();
  for (;;) {
    if (stopping_.load(std::memory_order_relaxed)) return false;
    if (api.isBusy(connection) != 0) {
      // The rows read so far go to the cursor before a wait for the server, however few.
      if (batch.rows > 0) {
        const std::lock_guard lock(mutex_);
        Publish(batch);
        return true;
      }
      if (!link_.AwaitResult(PgWait::kAsLongAsItTakes, wakeFd_)) {
        if (link_.lost) ending = link_.LostRecords();
        return false;
      }
    }
    const PgResult next(api.getResult(connection), PgResultFree{&api});
    if (!next) {
      // The text has no result left (a lost connection ends it so too).
      link_.unfinished = false;
      ending.emplace();
      return false;
    }
    const ExecStatusType status = api.resultStatus(next.get());
    if (status == PGRES_TUPLES_OK) {
      // The result's end; the results of the statements after it stay on the connection.
      ending.emplace();
      return false;
    }
    // PGRES_TUPLES_CHUNK (libpq 17) is 12; the header of an older libpq does not name it.
    if (status != PGRES_SINGLE_TUPLE && static_cast<int>(status) != 12) {
      // The cursor drops the text's later results, as it does for a failure it reads itself.
      ending = link_.Records(next.get());
      return false;
    }
    const int rows = api.ntuples(next.get());
    batch.rows += static_cast<std::size_t>(rows);
    for (int r = 0; r < rows; ++r) {
      for (std::size_t c = 0; c < columns_; ++c) {
        const int column = static_cast<int>(c);
        const int length = api.getlength(next.get(), r, column);
        // Only an empty value may be NULL.
        if (length == 0 && api.getisnull(next.get(), r, column)) {
          batch.lengths.push_back(-1);
        } else {
          batch.lengths.push_back(length);
          batch.bytes.append(api.getvalue(next.get(), r, column), static_cast<std::size_t>(length));
        }
      }
    }
    if (batch.bytes.size() + batch.lengths.size() * sizeof(int) >= kBatchBytes) {
      const std::lock_guard lock(mutex_);
      Publish(batch);
      return true;
    }
  }
}

}  // namespace ql::access
