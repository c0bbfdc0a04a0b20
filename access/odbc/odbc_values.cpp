#include "access/odbc/odbc_values.h"

#include <sqlext.h>

#include <algorithm>

namespace ql::access {
namespace {

struct TypeRow {
  SQLSMALLINT sqlType;
  ColumnFetch fetch;
};

constexpr TypeRow kTypes[] = {
    {SQL_TINYINT, {ValueKind::kTinyInt, SQL_C_CHAR}},
    {SQL_SMALLINT, {ValueKind::kSmallInt, SQL_C_CHAR}},
    {SQL_INTEGER, {ValueKind::kInteger, SQL_C_CHAR}},
    {SQL_BIGINT, {ValueKind::kInteger, SQL_C_CHAR}},
    {SQL_REAL, {ValueKind::kReal, SQL_C_CHAR}},
    {SQL_FLOAT, {ValueKind::kDouble, SQL_C_CHAR}},
    {SQL_DOUBLE, {ValueKind::kDouble, SQL_C_CHAR}},
    {SQL_NUMERIC, {ValueKind::kDecimal, SQL_C_CHAR}},
    {SQL_DECIMAL, {ValueKind::kDecimal, SQL_C_CHAR}},
    {SQL_BIT, {ValueKind::kBool, SQL_C_CHAR}},
    {SQL_TYPE_DATE, {ValueKind::kDate, SQL_C_CHAR}},
    {SQL_TYPE_TIME, {ValueKind::kDate, SQL_C_CHAR}},
    {SQL_TYPE_TIMESTAMP, {ValueKind::kDate, SQL_C_CHAR}},
    {SQL_DATE, {ValueKind::kDate, SQL_C_CHAR}},  // the ODBC 2 codes, from older drivers
    {SQL_TIME, {ValueKind::kDate, SQL_C_CHAR}},
    {SQL_TIMESTAMP, {ValueKind::kDate, SQL_C_CHAR}},
    {SQL_CHAR, {ValueKind::kText, SQL_C_CHAR}},
    {SQL_VARCHAR, {ValueKind::kText, SQL_C_CHAR}},
    {SQL_LONGVARCHAR, {ValueKind::kText, SQL_C_CHAR}},
    {SQL_GUID, {ValueKind::kText, SQL_C_CHAR}},
    {SQL_WCHAR, {ValueKind::kWideText, SQL_C_WCHAR}},
    {SQL_WVARCHAR, {ValueKind::kWideText, SQL_C_WCHAR}},
    {SQL_WLONGVARCHAR, {ValueKind::kWideText, SQL_C_WCHAR}},
    {SQL_BINARY, {ValueKind::kBinary, SQL_C_BINARY}},
    {SQL_VARBINARY, {ValueKind::kBinary, SQL_C_BINARY}},
    {SQL_LONGVARBINARY, {ValueKind::kBinary, SQL_C_BINARY}},
};

// Bound buffers of character and binary columns stay within this, whatever size a column declares.
constexpr std::size_t kMaxCellBytes = 2048;
// For columns that declare no size (0) or a size no buffer should take.
constexpr std::size_t kUnsizedCellBytes = 256;

}  // namespace

ColumnFetch FetchOfSqlType(SQLSMALLINT sqlType) {
  for (const TypeRow& row : kTypes) {
    if (row.sqlType == sqlType) return row.fetch;
  }
  return {ValueKind::kText, SQL_C_CHAR};
}

std::size_t TerminatorBytes(SQLSMALLINT cType) {
  if (cType == SQL_C_WCHAR) return 2;
  if (cType == SQL_C_BINARY) return 0;
  return 1;
}

std::size_t CellBytes(ValueKind kind, SQLULEN columnSize) {
  // Column sizes count characters; a character takes up to 4 bytes of UTF-8 or 2 UTF-16 units.
  const auto sized = [columnSize](std::size_t perUnit, std::size_t extra) {
    if (columnSize == 0 || columnSize > kMaxCellBytes) return kUnsizedCellBytes;
    return std::clamp<std::size_t>(columnSize * perUnit + extra, 16, kMaxCellBytes);
  };
  switch (kind) {
    case ValueKind::kTinyInt:
    case ValueKind::kSmallInt:
    case ValueKind::kInteger:
      return 24;  // 20 digits and a sign
    case ValueKind::kReal:
    case ValueKind::kDouble:
      return 40;
    case ValueKind::kBool:
      return 8;
    case ValueKind::kDate:
      return 64;
    case ValueKind::kDecimal:
      return std::max<std::size_t>(sized(1, 3), 48);  // sign, point and NUL beside the digits
    case ValueKind::kText:
      return sized(4, 1);
    case ValueKind::kWideText:
      return sized(4, 2);
    case ValueKind::kBinary:
      return sized(1, 0);
  }
  return kUnsizedCellBytes;
}

}  // namespace ql::access
