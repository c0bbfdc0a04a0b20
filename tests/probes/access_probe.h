#pragma once
// Verbs for tests of the data-access layer that turn what the layer did into short texts:
// "0x80040E14" for a raised code, "I4:7" for a value, "1|north\n2|south\n" for the rows of a result.
// Tests compare codes as these texts so that a failure shows the code as the layer's tables write it.

#include <string>
#include <string_view>

#include "access/data_access.h"
#include "access/data_access_error.h"

namespace ql::access_probe {

// `code` as "0x%08X", the form the layer's tables use: Hex(access::kStatementError) is "0x80040E14".
std::string Hex(access::ResultCode code);

// The code that `action` raised, as Hex gives it, or "none".
template <class Action>
std::string Raised(Action&& action) {
  try {
    action();
  } catch (const access::DataAccessError& error) {
    return Hex(error.Code());
  }
  return "none";
}

// A new connection of the layer's own, opened on `connectionString` without a separate login.
access::Ref<access::Connection> Connect(std::string_view connectionString);

// Opens `sql` in `recordset` on `connection` the way the console does: a static cursor, optimistic
// locks, the text as a command.
void Open(access::Recordset& recordset, std::string_view sql, const access::Ref<access::Connection>& connection);

// `sql` opened as Open does, in a new recordset of the layer's own.
access::Ref<access::Recordset> Query(const access::Ref<access::Connection>& connection, std::string_view sql);

// The whole rowset of `kind` on `connection`, with no restrictions.
access::Ref<access::Recordset> Schema(const access::Ref<access::Connection>& connection, access::SchemaKind kind);

// "code source: description" of each record in the connection's Errors, one per line.
std::string ErrorsText(const access::Ref<access::Connection>& connection);

// A value as its type's short name, ':' and its text.
std::string Describe(const access::Variant& value);

// Every row from the current position to EOF, cells separated by '|', each row ending in '\n';
// NULL reads "<null>". The recordset is left at EOF.
std::string RestOfRows(access::Recordset& recordset);

// The column `name` of every row from the current position, one per line.
std::string Column(access::Recordset& recordset, const std::string& name);

}  // namespace ql::access_probe
