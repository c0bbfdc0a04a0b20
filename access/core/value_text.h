#pragma once
// A value a database wrote as text, read as the variant type of its column's kind. The ODBC
// provider fetches every value but binary and wide text as the driver's text, and the PostgreSQL
// provider gets the server's text form; both read it here, so that the same text becomes the same
// value on either road.

#include <string>
#include <string_view>

#include "access/core/row_store.h"

namespace ql::access {

// What a value becomes in the row: the variant type it is stored as, and how its bytes are read.
// Reading the text here rather than asking a driver to convert it keeps a value the driver could
// not convert as text, not lost (and some drivers leave the length of a fixed-size value unwritten
// in block fetches).
enum class ValueKind {
  kTinyInt,   // VT_I1
  kSmallInt,  // VT_I2
  kInteger,   // VT_I4, or VT_I8 beyond 32 bits
  kReal,      // VT_R4
  kDouble,    // VT_R8
  kDecimal,   // VT_DECIMAL, the digits as the database writes them
  kBool,      // VT_BOOL
  kDate,      // VT_DATE; dates, times and timestamps
  kText,      // VT_BSTR from 8-bit text, UTF-8 on this platform
  kWideText,  // VT_BSTR from UTF-16 (ODBC's SQL_W* types)
  kBinary,    // VT_ARRAY | VT_UI1
};

// `bytes` is the value as fetched for `kind` (text, UTF-16 units, or raw bytes). A text that does
// not read as a value of the kind (a date outside the years 100 to 9999 or with a zone or an era,
// "Infinity" in a numeric column, an integer beyond 64 bits) is kept rather than lost: as exact
// digits where it is a number, as text otherwise. Unsigned integers beyond the signed range become
// VT_UI8; money as the PostgreSQL driver writes it becomes currency; the fraction of a second of a
// timestamp is dropped.
void PutFetchedValue(ValueKind kind, std::string_view bytes, RowWriter& row);

// UTF-16 in the machine's byte order to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view units);

}  // namespace ql::access
