#pragma once
// One fetched value written into the row as the variant type of its column's kind.

#include <string>
#include <string_view>

#include "access/odbc/odbc_values.h"
#include "access/core/row_store.h"

namespace ql::access {

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
