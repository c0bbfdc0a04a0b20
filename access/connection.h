#pragma once
// A connection to one database, reached through the provider its connection string names.

#include <cstdint>
#include <string_view>

#include "access/errors.h"
#include "access/ref.h"
#include "access/variant.h"

namespace ql::access {

class Recordset;

enum ObjectState : std::int32_t { kStateClosed = 0, kStateOpen = 1 };

enum class SchemaKind : std::int32_t { kCatalogs = 1, kTables = 20 };

class Connection {
 public:
  virtual ~Connection() = default;

  // Opens the connection. Raises kProviderNotFound for an unknown provider and the provider's own
  // failure otherwise; a failure leaves the connection closed and its records in Errors().
  virtual void Open(std::string_view connectionString, std::string_view user,
                    std::string_view password, std::int32_t options) = 0;
  virtual std::int32_t State() = 0;
  // Closes the connection and every recordset still open on it. Closing a closed connection raises
  // kObjectClosed.
  virtual void Close() = 0;
  virtual Ref<Errors> GetErrors() = 0;
  // A recordset of schema rows. Restrictions and schema id may be Variant::Missing(). Raises
  // kConnectionUnusable on a closed connection and kNotSupported where the provider cannot list
  // that kind.
  virtual Ref<Recordset> OpenSchema(SchemaKind schema, const Variant& restrictions,
                                    const Variant& schemaId) = 0;
  // Asks the database to stop the statement or fetch under way. Safe to call from a signal handler.
  virtual void Interrupt() noexcept = 0;
};

}  // namespace ql::access
