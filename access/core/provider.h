#pragma once
// What a provider (SQLite, ODBC) gives the layer. The layer keeps the objects, the cursor
// storage and the navigation rules; a provider only opens sessions, runs statements and hands over
// rows. Every failure is raised through the session's ErrorList.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "access/connection.h"
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
};

// One open connection to a database.
class ProviderSession {
 public:
  virtual ~ProviderSession() = default;
  // Runs a statement: a cursor when it returns rows, null when it returns none (it has then run to
  // completion).
  virtual std::unique_ptr<ProviderCursor> Execute(std::string_view sql) = 0;
  virtual std::unique_ptr<ProviderCursor> OpenSchema(SchemaKind schema) = 0;
  // Asks the database to stop what it is doing; async-signal-safe.
  virtual void Interrupt() noexcept = 0;
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
