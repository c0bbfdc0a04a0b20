#pragma once
// What a PostgreSQL session shares with its cursors. A cursor keeps the link alive, so a
// result is always read from (and freed before) the connection it came from.
//
// A connection carries one statement text at a time. The cursor whose rows are still arriving is
// the link's `streaming` cursor; before another text is sent, the layer reads the rest of its rows
// into the cursor's store (ProviderCursor::HoldsSession), so it stays whole, and the text's results
// after it are dropped, so the connection is free.
//
// Every wait for the server goes through the link, which waits on libpq's socket itself rather than
// inside libpq, so that it can give up: once a cancel request has been made, and while the rest of
// a result is dropped or set aside for another statement, a server that sends nothing for
// kHungServerLimit is taken as hung. The link is then given up (`lost`): every later call fails at
// once, and only a new connection helps.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "access/core/error_list.h"
#include "access/postgres/pg_handles.h"
#include "access/postgres/pg_interrupt.h"
#include "access/server_message.h"

namespace ql::access {

class PgCursor;

// How long the server may send nothing after a cancel request, or while the rest of a replaced
// result is read, before the connection to it is given up as hung.
inline constexpr std::chrono::seconds kHungServerLimit{5};

// How a wait for the server is bounded.
enum class PgWait {
  // The user asked for what is waited for (a statement, rows): only a cancel request limits it.
  kAsLongAsItTakes,
  // Work the user did not ask to wait for (dropping or setting aside an unfinished result): the
  // server's silence is limited too.
  kBounded,
};

struct PgLink {
  // At most this many messages are kept until they are taken; the rest are counted.
  static constexpr std::size_t kMessagesKept = 1000;

  const LibpqApi* api = nullptr;
  // Declared before the connection, so that they outlive it: libpq adds to them through Notice, on
  // whichever thread reads from the connection (a cursor's read-ahead too), while the commands'
  // thread takes them; so under their lock.
  std::mutex messagesLock;
  std::vector<ServerMessage> messages;
  std::size_t messagesDropped = 0;
  PgConnection connection{nullptr, PgConnectionFree{nullptr}};
  std::unique_ptr<PgCanceller> canceller;
  std::shared_ptr<ErrorList> errors;
  std::vector<std::string> secrets;  // never shown in a report
  PgCursor* streaming = nullptr;
  // The text last sent may still have results on the connection: libpq has not yet given the null
  // result that ends it.
  bool unfinished = false;
  // What the last command result read changed (PQcmdTuples); -1 when it does not say.
  std::int64_t affected = -1;
  // Set while a statement runs or its rows arrive, so that Interrupt sends a cancel request only
  // then; lock-free for the signal handler that reads it.
  std::atomic<bool> busy{false};
  // The link was given up (a hung server); `lostReason` says why, for every later failure.
  bool lost = false;
  std::string lostReason;

  // The next result of the text last sent, once libpq has it, as PQgetResult gives it; the wait is
  // bounded as `wait` says. Null, with `lost` set, when the link is, or is now, given up.
  PgResult NextResult(PgWait wait);
  // Waits until libpq holds a whole result (or has found the connection broken), so that PQgetResult
  // will not wait. False when the link was given up (`lost` set) or, first, `wake` became readable (a
  // descriptor; -1 for none).
  bool AwaitResult(PgWait wait, int wake = -1);
  // Asks the server to stop the statement under way and waits until it has taken the request; gives
  // the link up when it has not within kHungServerLimit.
  void Cancel();
  // Before a statement is sent: waits until every cancel request made earlier (Ctrl-C) has reached
  // the server, so that none stops the new statement, and forgets them. Gives up as Cancel does,
  // then raises lostReason.
  void SettleCancels();
  // Raises lostReason when the link was given up.
  void RequireUsable() const;
  // lostReason as error records.
  std::vector<ErrorRecord> LostRecords() const;
  // True once the link to the server is gone: given up, or broken as libpq found.
  bool Gone() const;

  // The failure a result reports, with its SQLSTATE, as records; the connection's message when the
  // result is null.
  std::vector<ErrorRecord> Records(const PGresult* result) const;
  [[noreturn]] void Raise(const PGresult* result) const { errors->Raise(Records(result)); }
  // A failure found on the connection itself, with what was being done when libpq gives no reason.
  [[noreturn]] void RaiseConnection(std::string_view doing) const;

  // Reads and drops every result left on the connection, until libpq says the statement is over;
  // returns the first failure among them, if any (the reason when the link is given up meanwhile).
  // Raises nothing.
  std::vector<ErrorRecord> Drain(PgWait wait);

  // Keeps a message for TakeMessages, or counts it once kMessagesKept are kept.
  void Tell(ServerMessage message);
  // The messages kept since the last call, oldest first, and a last one saying how many were dropped.
  std::vector<ServerMessage> TakeMessages();
  // libpq's notice receiver: `link` is the PgLink of the connection that received the notice.
  static void Notice(void* link, const PGresult* notice);

 private:
  enum class Input { kArrived, kCannotWait, kGivenUp, kWoken };
  // Waits until more input from the server has been read (kArrived); kCannotWait when the socket
  // cannot be watched or libpq found the connection broken, kGivenUp when the link was given up,
  // kWoken when `wake` became readable first. `heard` is when the server last sent something,
  // `cancelled` whether a cancel was requested.
  Input AwaitInput(PgWait wait, std::chrono::steady_clock::time_point& heard, bool& cancelled, int wake);
  void GiveUp(bool cancelled);
};

// Marks the link busy for as long as it lives (and as before it after).
class BusyLink {
 public:
  explicit BusyLink(PgLink& link) noexcept : link_(link), before_(link_.busy.exchange(true)) {}
  ~BusyLink() { link_.busy.store(before_); }
  BusyLink(const BusyLink&) = delete;
  BusyLink& operator=(const BusyLink&) = delete;

 private:
  PgLink& link_;
  bool before_;
};

}  // namespace ql::access
