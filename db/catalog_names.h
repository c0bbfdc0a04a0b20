#pragma once
// Names from a connection's catalogs (its tables, a table's columns), kept for completing what a
// person types at the prompt.
//
// A name list is read once and kept until Forget: when first asked for, or ahead, while the person
// types. The read runs on a thread of its own, and a watchdog thread interrupts it once its time is
// up: a slow or stopped server costs a moment and gives no names, never a frozen prompt. The
// interrupt comes from a thread of its own since it may itself wait on the server (a cancel request
// sent to a stopped one). Until a read has ended the connection is the read's: Settle waits for
// that before the connection is used for anything else, and no second read starts meanwhile.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
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
  const std::vector<std::string>* Kept(const std::string& key);
  // Reads the names for `key` with `read`, waiting until `until` at most, and keeps them under
  // `key`. Past it the names are empty and `interrupt` stops the read (what the read finds before
  // the interrupt reaches it is still kept); so they are when `until` has passed already, while a
  // read of other names runs, or when no thread can be started. A read of the same names under way
  // (started ahead) is waited for instead.
  std::vector<std::string> Read(const std::string& key, Reader read, Interrupter interrupt, Deadline until);
  // Starts reading the names for `key` without waiting for them: they are kept once the read has
  // ended by `until`. Nothing starts when they are kept, while another read runs, or after a read of
  // them was interrupted (until Forget): a slow server is not asked again and again.
  void ReadAhead(const std::string& key, Reader read, Interrupter interrupt, Deadline until);

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

  // Starts the reading thread and its watchdog; false when no thread could be started.
  bool Start(const std::string& key, Reader read, Interrupter interrupt, Deadline until);
  // Keeps what the read that has ended found, unless it was interrupted.
  void TakeEndedRead();
  void WaitForRead();

  std::shared_ptr<Reading> read_;  // the last read started, until it is seen to have ended
  std::map<std::string, std::vector<std::string>> kept_;
  std::set<std::string> gaveUp_;  // keys whose read was interrupted
};

}  // namespace ql::db
