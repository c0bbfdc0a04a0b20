#pragma once
// What a provider gives the layer. The layer keeps the objects, the cursor storage and the
// navigation rules; a provider only opens sessions, runs statements and hands over rows. Every
// failure is raised through the session's ErrorList.
//
// A provider lives in a folder of its own, access/<p>/, and exports one thing: its ProviderEntry
// (below), defined in <p>_provider.cpp and listed in access/core/provider_table.h. Its files are
// named after the role they play, the same in every folder:
//
//   <p>_provider   the entry: its names, openers, key translation and version
//   <p>_session    the ProviderSession, and what it shares with its cursors
//   <p>_cursor     the ProviderCursor: one result, row by row
//   <p>_errors     the library's failures as error records (SQLSTATE, no password)
//   <p>_values     the library's types and values as the layer's
//   <p>_interrupt  stopping a statement from a signal handler
//   <p>_library    the client library, loaded when first used
//   <p>_keys       the connection string's keys as the library's own
//
// and files of other names only for a concept the provider has of its own (odbc_statement,
// odbc_columns, odbc_handle, pg_connect, ...). A role the provider does not need has no file
// (SQLite is linked, so it has no _library).

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "access/connection.h"
#include "access/connection_fact.h"
#include "access/core/connection_string.h"
#include "access/core/error_list.h"
#include "access/core/row_store.h"
#include "access/server_message.h"

namespace ql::access {

// A result being read from the database, row by row.
class ProviderCursor {
 public:
  virtual ~ProviderCursor() = default;
  virtual const std::vector<std::string>& ColumnNames() const = 0;
  // Writes the next row's cells; false when no row is left.
  virtual bool FetchRow(RowWriter& row) = 0;
  // True while the rest of the result is still on its way from the database and keeps the session
  // busy: no other statement can run on it until the rest is read (PostgreSQL sends one result at
  // a time). Before another statement runs, the layer calls PrepareSetAside and reads the rest into
  // the cursor's own store. A provider that keeps such rows compactly itself may answer false.
  virtual bool HoldsSession() const { return false; }
  // The rest is read only to free the session for another statement, which the user asked for:
  // the provider may bound its waits for the database (a database that has stopped answering is
  // then given up, and Lost says so), and it drops the later results of the same text, raising the
  // first failure among them after the last row.
  virtual void PrepareSetAside() {}
};

// One open connection to a database.
class ProviderSession {
 public:
  virtual ~ProviderSession() = default;
  // Runs a statement: a cursor when it returns rows, null when it returns none (it has then run to
  // completion).
  virtual std::unique_ptr<ProviderCursor> Execute(std::string_view sql) = 0;
  virtual std::unique_ptr<ProviderCursor> OpenSchema(SchemaKind schema) = 0;
  // The columns of one table, as SchemaKind::kColumns describes them; null when the provider cannot
  // list columns (the layer then raises kNotSupported). A table that does not exist has no rows.
  virtual std::unique_ptr<ProviderCursor> OpenColumns(std::string_view table) {
    static_cast<void>(table);
    return nullptr;
  }
  // Asks the database to stop what it is doing; async-signal-safe.
  virtual void Interrupt() noexcept = 0;

  // What the last Execute, or NextResult, that gave no cursor changed: the rows its statement
  // inserted, updated or deleted, or -1 when the provider cannot tell.
  virtual std::int64_t RowsAffected() const { return -1; }
  // Called once the cursor of the current result has handed over its last row (its FetchRow
  // returned false), or once Execute returned null: moves to the next result of the same statement
  // text. False when none follows; otherwise `rows` is that result's cursor, or null for a result
  // without rows (RowsAffected then tells its count). A failure of that statement is raised.
  virtual bool NextResult(std::unique_ptr<ProviderCursor>& rows) {
    static_cast<void>(rows);
    return false;
  }
  // The messages (ServerMessage) the database sent since they were last taken, oldest first.
  virtual std::vector<ServerMessage> TakeMessages() { return {}; }
  // What the open session is (ConnectionFact), never a password.
  virtual std::vector<ConnectionFact> Describe() { return {}; }
  // True once the link to the database is known to be gone (Connection::IsLost).
  virtual bool Lost() const { return false; }
};

// Opens a session from the connection string's pairs (the Provider key already resolved).
using SessionOpener = std::unique_ptr<ProviderSession> (*)(const ConnectionString& pairs,
                                                           std::shared_ptr<ErrorList> errors);

// Turns the pairs of a connection string (the Provider key removed) into the opener's own, where
// the opener does not read them itself; raises through `errors` what it cannot take.
using KeyTranslation = ConnectionString (*)(const ConnectionString& pairs, ErrorList& errors);

// True for a connection string, as typed, that a provider takes whole before it is read as pairs
// (a URI).
using StringClaim = bool (*)(std::string_view text);

// One provider, as the provider table lists it.
struct ProviderEntry {
  // The values of the Provider key it answers to, compared without regard to case; unused places
  // stay empty.
  std::array<std::string_view, 8> names;
  SessionOpener open = nullptr;
  // Null when the opener is handed the pairs as they are.
  KeyTranslation translate = nullptr;
  // Its library's name and version as `ver` and --version show them ("libpq 15.20"), loading the
  // library; empty when it cannot be loaded. Null for a provider without a library of its own.
  std::string (*version)() = nullptr;
  // A string it takes whole, and the opener for it, which is handed the pairs "URI" (the string as
  // typed) and, when given apart from it, "User ID" and "Password". Null for none.
  StringClaim claims = nullptr;
  SessionOpener openClaimed = nullptr;
};

struct ResolvedProvider {
  SessionOpener open = nullptr;
  ConnectionString pairs;  // without the Provider key, translated to the provider's own key names
};

// Finds the provider a connection string names (the text as typed; a user name and password given
// apart from it). The layer's top, where connections are made, hands one to each connection.
using ProviderResolver = ResolvedProvider (*)(std::string_view text, std::string_view user, std::string_view password,
                                              ErrorList& errors);

}  // namespace ql::access
