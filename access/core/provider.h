#pragma once
// What a provider (SQLite, ODBC, PostgreSQL) gives the layer. The layer keeps the objects, the cursor
// storage and the navigation rules; a provider only opens sessions, runs statements and hands over
// rows. Every failure is raised through the session's ErrorList.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "access/connection.h"
#include "access/connection_fact.h"
#include "access/server_message.h"
#include "access/core/connection_string.h"
#include "access/core/error_list.h"
#include "access/core/row_store.h"

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

struct ResolvedProvider {
  SessionOpener open = nullptr;
  ConnectionString pairs;  // without the Provider key, translated to the provider's own key names
};

// Finds the provider a connection string names (the text as typed; a user name and password given
// apart from it). The layer's top, where connections are made, hands one to each connection, so that
// the machinery here never includes the providers built on it.
using ProviderResolver = ResolvedProvider (*)(std::string_view text, std::string_view user,
                                              std::string_view password, ErrorList& errors);

}  // namespace ql::access
