#pragma once
// What a PostgreSQL session shares with its cursors. A cursor keeps the link alive, so a
// result is always read from (and freed before) the connection it came from.
//
// A connection carries one statement text at a time. The cursor whose rows are still arriving is
// the link's `streaming` cursor; before another text is sent, that cursor reads the rest of its
// result into its own memory, so it stays whole, and the text's results after it are dropped, so the
// connection is free.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "access/server_message.h"
#include "access/core/error_list.h"
#include "access/postgres/pg_handles.h"

namespace ql::access {

class PgCursor;

struct PgLink {
  // At most this many messages are kept until they are taken; the rest are counted.
  static constexpr std::size_t kMessagesKept = 1000;

  const LibpqApi* api = nullptr;
  // Declared before the connection, so that they outlive it: libpq adds to them through Notice.
  std::vector<ServerMessage> messages;
  std::size_t messagesDropped = 0;
  PgConnection connection{nullptr, PgConnectionFree{nullptr}};
  PgCancel cancel{nullptr, PgCancelFree{nullptr}};
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

  // The failure a result reports, with its SQLSTATE, as records; the connection's message when the
  // result is null.
  std::vector<ErrorRecord> Records(const PGresult* result) const;
  [[noreturn]] void Raise(const PGresult* result) const { errors->Raise(Records(result)); }
  // A failure found on the connection itself, with what was being done when libpq gives no reason.
  [[noreturn]] void RaiseConnection(std::string_view doing) const;

  // Reads and drops every result left on the connection, until libpq says the statement is over;
  // returns the first failure among them, if any.
  std::vector<ErrorRecord> Drain();

  // Keeps a message for TakeMessages, or counts it once kMessagesKept are kept.
  void Tell(ServerMessage message);
  // The messages kept since the last call, oldest first, and a last one saying how many were dropped.
  std::vector<ServerMessage> TakeMessages();
  // libpq's notice receiver: `link` is the PgLink of the connection that received the notice.
  static void Notice(void* link, const PGresult* notice);
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
