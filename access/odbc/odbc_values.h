#pragma once
// How a column of each SQL type is fetched and which kind of value it becomes.

#include <sql.h>

#include <cstddef>

#include "access/core/value_text.h"

namespace ql::access {

struct ColumnFetch {
  ValueKind kind;
  SQLSMALLINT cType;  // SQL_C_CHAR, SQL_C_WCHAR or SQL_C_BINARY
};

// The fetch of a column of `sqlType`; a type the table does not name is fetched as text.
ColumnFetch FetchOfSqlType(SQLSMALLINT sqlType);

// The bytes a bound buffer gives one value of this kind, terminator included: enough for every
// value of a fixed-size type, and for a character or binary column its declared size within a cap.
// A value longer than its buffer is read again in pieces, so this is a matter of speed only.
std::size_t CellBytes(ValueKind kind, SQLULEN columnSize);

// The room a value of `cType` needs after its bytes (the NUL the driver writes).
std::size_t TerminatorBytes(SQLSMALLINT cType);

}  // namespace ql::access
