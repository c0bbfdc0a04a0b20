#pragma once
// How a column of each SQL type is fetched and which kind of value it becomes.

#include <sql.h>

#include <cstddef>


namespace ql::access {

// What a fetched value becomes in the row: the variant type it is stored as, and how its fetched
// bytes are read. Everything but binary and wide text is fetched as the driver's text, which the
// layer reads itself: a value the driver could not convert is kept as text, not lost, and some
// drivers leave the length of a fixed-size value unwritten in block fetches.
enum class ValueKind {
  kTinyInt,   // VT_I1
  kSmallInt,  // VT_I2
  kInteger,   // VT_I4, or VT_I8 beyond 32 bits
  kReal,      // VT_R4
  kDouble,    // VT_R8
  kDecimal,   // VT_DECIMAL, the digits as the database writes them
  kBool,      // VT_BOOL
  kDate,      // VT_DATE; dates, times and timestamps
  kText,      // VT_BSTR from the driver's 8-bit text, UTF-8 on this platform
  kWideText,  // VT_BSTR from UTF-16 (the SQL_W* types)
  kBinary,    // VT_ARRAY | VT_UI1
};

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
