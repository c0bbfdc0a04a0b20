#pragma once
// A MariaDB session and what it shares with its cursors. A cursor keeps the link alive, so a
// result is always read from (and freed before) the connection it came from.
//
// A connection carries one statement text at a time, and a text of several statements gives its
// results one after the other. The cursor whose rows are still arriving is the link's `streaming`
// cursor; before another statement starts, that cursor reads the rest of its rows into its own
// memory, and the results of the earlier text that nobody asked for are read and dropped, so that
// the connection is free.

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "access/core/error_list.h"
#include "access/core/provider.h"
#include "access/mariadb/mariadb_keys.h"
#include "access/mariadb/mariadb_library.h"
#include "access/server_message.h"

namespace ql::access {

class MariadbCursor;

struct MariadbLink {
  const MariadbApi* api = nullptr;
  MariadbLogin login;  // kept for the connections that send KILL QUERY
  MariadbConnection connection{nullptr, MariadbConnectionClose{nullptr}};
  unsigned long threadId = 0;  // the session's thread on the server
  std::shared_ptr<ErrorList> errors;
  MariadbCursor* streaming = nullptr;
  // Set while a statement runs or its rows arrive, so that an interrupt sends KILL QUERY only then;
  // lock-free for the signal handler that reads it.
  std::atomic<bool> busy{false};
  std::vector<ServerMessage> messages;  // not yet taken, oldest first
  // Set once a failure's code said that the link to the server is gone (IsMariadbLostLinkCode).
  bool lost = false;

  MariadbLink() = default;
  MariadbLink(const MariadbLink&) = delete;
  MariadbLink& operator=(const MariadbLink&) = delete;

  // The failure the connection's last call left; notes whether it lost the link.
  ErrorRecord Failure(std::string_view doing);
  [[noreturn]] void Raise(std::string_view doing) { errors->Raise({Failure(doing)}); }

  // Called once a result has ended: the warnings its statement gave become messages.
  void ResultEnded();
  // Reads and drops every result the connection still has of the text run before, so that the
  // connection can take another statement; a failure among them becomes a message.
  void DropPending();
};

// Marks the link busy for as long as it lives (and as before it after).
class MariadbBusy {
 public:
  explicit MariadbBusy(MariadbLink& link) noexcept : link_(link), before_(link_.busy.exchange(true)) {}
  ~MariadbBusy() { link_.busy.store(before_); }
  MariadbBusy(const MariadbBusy&) = delete;
  MariadbBusy& operator=(const MariadbBusy&) = delete;

 private:
  MariadbLink& link_;
  bool before_;
};

enum class ConnectPurpose {
  kSession,  // several statements in one text, the login's database and init-command
  kKill,     // one KILL QUERY: no database, no init-command, and a few seconds at most for each step
};

// Sets the login's options on `connection` (from the library's init) and connects it to `host` (one
// of the login's hosts, or none named for the library's default). False when the library refused an
// option, whose name is then in `refusedOption`, or the connection, whose reason is then on
// `connection`.
bool ConnectMariadb(const MariadbApi& api, MYSQL* connection, const MariadbLogin& login, const MariadbHost& host,
                    ConnectPurpose purpose, std::string& refusedOption);

// Connects with `login`, trying its hosts in order; raises through `errors` when none takes the
// connection (with several hosts, what each said).
std::unique_ptr<ProviderSession> MakeMariadbSession(const MariadbApi& api, MariadbLogin login,
                                                    std::shared_ptr<ErrorList> errors);

}  // namespace ql::access
