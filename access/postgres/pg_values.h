#pragma once
// How a PostgreSQL column's values, in the server's text form, become the layer's values.

#include <libpq-fe.h>

#include <string_view>

#include "access/core/row_store.h"

namespace ql::access {

enum class PgValueKind {
  kSmallInt,  // int2
  kInteger,   // int4, int8, oid
  kReal,      // float4
  kDouble,    // float8
  kDecimal,   // numeric: its exact digits; NaN and the infinities as text
  kMoney,     // money: currency (or exact digits) when written as "-$1,234.56"; as text otherwise
  kBool,      // bool
  kDate,      // date, timestamp, time: dates; special values, eras and far years as text
  kBinary,    // bytea
  kText,      // everything else, timestamptz, interval, uuid, json and arrays among them
};

PgValueKind KindOfType(Oid type);

// Writes one non-NULL value given in text form.
void PutPgValue(PgValueKind kind, std::string_view text, RowWriter& row);

}  // namespace ql::access
