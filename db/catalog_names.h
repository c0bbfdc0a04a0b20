#pragma once
// Names from a connection's catalogs (its tables, a table's columns), kept for completing what a
// person types at the prompt.
//
// A name list is read once, when first asked for, and kept until Forget. The read runs on a thread
// of its own, and the caller waits for it at most kWaitLimit: a slow or stopped server costs a
// moment and gives no names, never a frozen prompt. The read is then interrupted, from yet another
// thread, since an interrupt may itself wait on the server (a cancel request sent to a stopped
// one). Until the read has ended the connection is the read's: Settle waits for that before the
// connection is used for anything else, and no second read starts meanwhile.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ql::db {

class CatalogNames {
 public:
  static constexpr std::chrono::milliseconds kWaitLimit{300};
  // When the caller stops waiting for names.
  using Deadline = std::chrono::steady_clock::time_point;

  // Reads a name list on the reading thread; a failure gives an empty one.
  using Reader = std::function<std::vector<std::string>()>;
  // Asks the database to stop that read; called on a thread of its own, only while the read runs.
  using Interrupter = std::function<void()>;

  CatalogNames() = default;
  // Returns at once: a read still under way finishes on its own thread, which keeps what it uses.
  ~CatalogNames();
  CatalogNames(const CatalogNames&) = delete;
  CatalogNames& operator=(const CatalogNames&) = delete;

  // The names kept under `key`, or null.
  const std::vector<std::string>* Kept(const std::string& key) const;
  // Reads the names for `key` with `read`, waiting until `until` at most, and keeps them under
  // `key`. Past it `interrupt` stops the read, nothing is kept, and the names are empty; so they are
  // when `until` has passed already, while another read runs, or when no thread can be started.
  std::vector<std::string> Read(const std::string& key, Reader read, Interrupter interrupt, Deadline until);

  // Drops every name kept; they are read again when next asked for. Waits as Settle does.
  void Forget();
  // Returns once no read is under way.
  void Settle() {
    if (read_) WaitForRead();
  }
  // True while a read is under way.
  bool ReadRunning();

 private:
  struct Reading;  // shared with the threads of one read

  void WaitForRead();

  std::shared_ptr<Reading> read_;  // the last read started, until it is seen to have ended
  std::map<std::string, std::vector<std::string>> kept_;
};

}  // namespace ql::db
