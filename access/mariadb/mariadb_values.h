#pragma once
// How a MariaDB column's values, in the server's text form (the text protocol), become the
// layer's values, by the column's field type.

#include <string_view>

#include "access/core/row_store.h"
#include "access/mariadb/mariadb_library.h"

namespace ql::access {

enum class MariadbValueKind {
  kTinyInt,   // TINYINT
  kSmallInt,  // SMALLINT, TINYINT UNSIGNED, YEAR
  kInteger,   // INT, MEDIUMINT, BIGINT and the other unsigned widths
  kUnsigned,  // BIGINT UNSIGNED, up to 18446744073709551615
  kReal,      // FLOAT, four bytes
  kDouble,    // DOUBLE
  kDecimal,   // DECIMAL: its exact digits
  kBit,       // BIT(n): the n bits as an unsigned whole number, sent as big-endian bytes
  kDate,      // DATE, DATETIME, TIMESTAMP: dates; zero dates and years outside 100 to 9999 as text
  kBinary,    // BLOB, BINARY, VARBINARY, GEOMETRY: bytes of the binary character set
  kText,      // everything else: text of a character set, TIME, JSON, ENUM, SET
  kNull,      // the type of a bare NULL
};

MariadbValueKind KindOfField(const MYSQL_FIELD& field);

// Writes one non-NULL value as the server sent it.
void PutMariadbValue(MariadbValueKind kind, std::string_view bytes, RowWriter& row);

}  // namespace ql::access
