#pragma once
// A connection to one database, reached through the provider its connection string names.

#include <cstdint>
#include <string_view>
#include <vector>

#include "access/connection_fact.h"
#include "access/errors.h"
#include "access/ref.h"
#include "access/server_message.h"
#include "access/variant.h"

namespace ql::access {

class Recordset;

enum ObjectState : std::int32_t { kStateClosed = 0, kStateOpen = 1 };

// kColumns takes the table's name as its restriction (a text Variant) and lists that table's columns
// in their order: COLUMN_NAME, TYPE_NAME (as the database names the type), COLUMN_SIZE (NULL where
// the type has none), IS_NULLABLE ("YES" or "NO") and COLUMN_DEFAULT (NULL where there is none).
enum class SchemaKind : std::int32_t { kCatalogs = 1, kColumns = 4, kTables = 20 };

class Connection {
 public:
  virtual ~Connection() = default;

  // Opens the connection. Raises kProviderNotFound for an unknown provider and the provider's own
  // failure otherwise; a failure leaves the connection closed and its records in Errors().
  virtual void Open(std::string_view connectionString, std::string_view user, std::string_view password,
                    std::int32_t options) = 0;
  virtual std::int32_t State() = 0;
  // Closes the connection and every recordset still open on it. Closing a closed connection raises
  // kObjectClosed.
  virtual void Close() = 0;
  virtual Ref<Errors> GetErrors() = 0;
  // A recordset of schema rows. Restrictions and schema id may be Variant::Missing(). Raises
  // kConnectionUnusable on a closed connection and kNotSupported where the provider cannot list
  // that kind.
  virtual Ref<Recordset> OpenSchema(SchemaKind schema, const Variant& restrictions, const Variant& schemaId) = 0;
  // Asks the database to stop the statement or fetch under way. Safe to call from a signal handler.
  virtual void Interrupt() noexcept = 0;

  // The messages the database sent (notices, warnings, informational diagnostics) since they were
  // last taken, in the order it sent them; taking them empties the list.
  virtual std::vector<ServerMessage> TakeMessages() { return {}; }
  // The rows changed by the statement whose result became current last, when that statement returned
  // no rows and the provider can tell; -1 otherwise.
  virtual std::int64_t RecordsAffected() { return -1; }
  // What the open connection is (ConnectionFact's names), never a password. Raises
  // kConnectionUnusable on a closed connection.
  virtual std::vector<ConnectionFact> Describe() { return {}; }
  // True once a failure has shown that the link to the database is gone (the server closed it or
  // the network failed): every later call would fail the same way, and only a new Open helps.
  virtual bool IsLost() { return false; }
};

}  // namespace ql::access
