// Catalog names read on a thread of their own, waited for a moment at most.

#include "db/catalog_names.h"

#include <signal.h>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace ql::db {

struct CatalogNames::Reading {
  Reader reader;
  Interrupter interrupter;
  // Held by the interrupting thread across its interrupt, and by the reading thread as it ends the
  // read, so that an interrupt never reaches a connection that has gone on to other work.
  std::mutex interrupting;
  std::mutex mutex;  // guards finished and names
  std::condition_variable done;
  bool finished = false;
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

const std::vector<std::string>* CatalogNames::Kept(const std::string& key) const {
  const auto found = kept_.find(key);
  return found != kept_.end() ? &found->second : nullptr;
}

std::vector<std::string> CatalogNames::Read(const std::string& key, Reader read, Interrupter interrupt,
                                            Deadline until) {
  if (ReadRunning() || std::chrono::steady_clock::now() >= until) return {};
  auto shared = std::make_shared<Reading>();
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
  if (!started) return {};
  read_ = shared;
  {
    std::unique_lock lock(shared->mutex);
    if (shared->done.wait_until(lock, until, [&] { return shared->finished; })) {
      kept_[key] = shared->names;
      return shared->names;
    }
  }
  StartThread([shared] {
    const std::lock_guard interrupting(shared->interrupting);
    if (shared->interrupter) shared->interrupter();
  });
  return {};
}

void CatalogNames::Forget() {
  Settle();
  kept_.clear();
}

void CatalogNames::WaitForRead() {
  {
    std::unique_lock lock(read_->mutex);
    read_->done.wait(lock, [&] { return read_->finished; });
  }
  read_.reset();
}

bool CatalogNames::ReadRunning() {
  if (!read_) return false;
  {
    const std::lock_guard lock(read_->mutex);
    if (!read_->finished) return true;
  }
  read_.reset();
  return false;
}

}  // namespace ql::db
