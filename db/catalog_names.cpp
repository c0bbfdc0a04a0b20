// Catalog names read on a thread of their own, waited for a moment at most.

#include "db/catalog_names.h"

#include <signal.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace ql::db {

struct CatalogNames::Reading {
  std::string key;
  Reader reader;
  Interrupter interrupter;
  // Held by the interrupting thread across its interrupt, and by the reading thread as it ends the
  // read, so that an interrupt never reaches a connection that has gone on to other work.
  std::mutex interrupting;
  std::mutex mutex;  // guards finished, interrupted and names
  std::condition_variable done;
  bool finished = false;
  bool interrupted = false;
  std::vector<std::string> names;
};

namespace {

// Runs `work` on a detached thread that takes no signal: Ctrl-C and the signals that end the
// program stay with the thread that runs the commands. False when no thread can be started.
bool StartThread(std::function<void()> work) {
  sigset_t all;
  sigset_t previous;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_BLOCK, &all, &previous);
  bool started = true;
  try {
    std::thread(std::move(work)).detach();
  } catch (const std::system_error&) {
    started = false;
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return started;
}

}  // namespace

CatalogNames::~CatalogNames() = default;

bool CatalogNames::Start(const std::string& key, Reader read, Interrupter interrupt, Deadline until) {
  auto shared = std::make_shared<Reading>();
  shared->key = key;
  shared->reader = std::move(read);
  shared->interrupter = std::move(interrupt);
  const bool started = StartThread([shared] {
    std::vector<std::string> names;
    try {
      names = shared->reader();
    } catch (...) {
      names.clear();
    }
    const std::lock_guard interrupting(shared->interrupting);
    {
      const std::lock_guard lock(shared->mutex);
      shared->names = std::move(names);
      shared->finished = true;
    }
    // What they hold (the connection) is let go now, not whenever the last owner of the read goes.
    shared->reader = nullptr;
    shared->interrupter = nullptr;
    shared->done.notify_all();
  });
  if (!started) return false;
  read_ = shared;
  // The watchdog: past `until` it interrupts the read, unless the read has ended by then.
  StartThread([shared, until] {
    {
      std::unique_lock lock(shared->mutex);
      if (shared->done.wait_until(lock, until, [&] { return shared->finished; })) return;
    }
    const std::lock_guard interrupting(shared->interrupting);
    if (!shared->interrupter) return;
    {
      const std::lock_guard lock(shared->mutex);
      shared->interrupted = true;
    }
    shared->interrupter();
  });
  return true;
}

void CatalogNames::TakeEndedRead() {
  {
    const std::lock_guard lock(read_->mutex);
    if (read_->interrupted) {
      gaveUp_.insert(read_->key);
    } else {
      kept_[read_->key] = std::move(read_->names);
    }
  }
  read_.reset();
}

const std::vector<std::string>* CatalogNames::Kept(const std::string& key) {
  ReadRunning();
  const auto found = kept_.find(key);
  return found != kept_.end() ? &found->second : nullptr;
}

std::vector<std::string> CatalogNames::Read(const std::string& key, Reader read, Interrupter interrupt,
                                            Deadline until) {
  if (std::chrono::steady_clock::now() >= until) return {};
  if (ReadRunning()) {
    // A read of the same names started ahead is waited for as this one would be.
    if (read_->key != key) return {};
  } else if (!Start(key, std::move(read), std::move(interrupt), until)) {
    return {};
  }
  {
    std::unique_lock lock(read_->mutex);
    if (!read_->done.wait_until(lock, until, [&] { return read_->finished; })) return {};
  }
  TakeEndedRead();
  const auto found = kept_.find(key);
  return found != kept_.end() ? found->second : std::vector<std::string>{};
}

void CatalogNames::ReadAhead(const std::string& key, Reader read, Interrupter interrupt, Deadline until) {
  if (Kept(key) != nullptr || ReadRunning() || gaveUp_.contains(key)) return;
  Start(key, std::move(read), std::move(interrupt), until);
}

void CatalogNames::Forget() {
  Settle();
  kept_.clear();
  gaveUp_.clear();
}

void CatalogNames::WaitForRead() {
  {
    std::unique_lock lock(read_->mutex);
    read_->done.wait(lock, [&] { return read_->finished; });
  }
  TakeEndedRead();
}

bool CatalogNames::ReadRunning() {
  if (!read_) return false;
  {
    const std::lock_guard lock(read_->mutex);
    if (!read_->finished) return true;
  }
  TakeEndedRead();
  return false;
}

}  // namespace ql::db
