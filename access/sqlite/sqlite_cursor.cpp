#include "access/sqlite/sqlite_cursor.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

#include "access/ascii.h"
#include "access/sqlite/sqlite_errors.h"

namespace ql::access {
namespace {

// A column's value is read through its sqlite3_value, found once per cell: the sqlite3_column_*
// calls would find it again for each call, and check the connection for a failed allocation after
// each. The cursor's connection is used by one thread at a time, which is what reading the value
// itself (unprotected, in SQLite's words) requires.
std::string_view ValueText(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  const int size = sqlite3_value_bytes(value);
  return text != nullptr ? std::string_view(text, static_cast<std::size_t>(size)) : std::string_view();
}

std::string_view ValueBlob(sqlite3_value* value) {
  const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
  const int size = sqlite3_value_bytes(value);
  return bytes != nullptr ? std::string_view(bytes, static_cast<std::size_t>(size)) : std::string_view();
}

// A floating-point value of a NUMERIC/DECIMAL column as exact decimal digits, when its shortest
// round-trip form needs no exponent; a decimal of such size would not be one anyway.
bool PutRealAsDecimal(RowWriter& row, double value) {
  char digits[32];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  const std::string_view text(digits, static_cast<std::size_t>(end - digits));
  if (ec != std::errc() || text.find_first_of("eEni") != std::string_view::npos) return false;
  row.PutDecimal(text);
  return true;
}

}  // namespace

SqliteCursor::SqliteCursor(DatabaseHandle db, std::shared_ptr<InterruptGate> gate, StatementHandle statement,
                           std::shared_ptr<ErrorList> errors)
    : db_(std::move(db)), gate_(std::move(gate)), statement_(std::move(statement)), errors_(std::move(errors)) {
  const int count = sqlite3_column_count(statement_.get());
  names_.reserve(static_cast<std::size_t>(count));
  kinds_.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(statement_.get(), i);
    names_.emplace_back(name != nullptr ? name : "");
    kinds_.push_back(KindOfDeclaredType(sqlite3_column_decltype(statement_.get(), i)));
  }
}

bool SqliteCursor::FetchRow(RowWriter& row) {
  if (done_) return false;
  const int rc = [&] {
    InterruptGate::Working working(*gate_);
    return sqlite3_step(statement_.get());
  }();
  if (rc == SQLITE_DONE) {
    done_ = true;
    return false;
  }
  if (rc != SQLITE_ROW) {
    done_ = true;
    RaiseSqlite(*errors_, db_.get(), rc);
  }
  for (int i = 0; i < static_cast<int>(names_.size()); ++i) PutCell(row, i);
  return true;
}

void SqliteCursor::PutCell(RowWriter& row, int column) const {
  sqlite3_value* const cell = sqlite3_column_value(statement_.get(), column);
  const DeclaredKind kind = kinds_[static_cast<std::size_t>(column)];
  switch (sqlite3_value_type(cell)) {
    case SQLITE_NULL:
      row.PutNull();
      return;
    case SQLITE_INTEGER: {
      const sqlite3_int64 value = sqlite3_value_int64(cell);
      switch (kind) {
        case DeclaredKind::kTinyInt:
          if (value >= std::numeric_limits<std::int8_t>::min() && value <= std::numeric_limits<std::int8_t>::max()) {
            return row.PutTinyInt(static_cast<std::int8_t>(value));
          }
          break;
        case DeclaredKind::kSmallInt:
          if (value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max()) {
            return row.PutSmallInt(static_cast<std::int16_t>(value));
          }
          break;
        case DeclaredKind::kDecimal:
          return row.PutDecimal(ValueText(cell));
        case DeclaredKind::kBool:
          return row.PutBool(value != 0);
        case DeclaredKind::kDate:
          if (auto date = OleDateFromJulianDay(static_cast<double>(value))) return row.PutDate(*date);
          break;
        case DeclaredKind::kPlain:
          break;
      }
      return row.PutInteger(value);
    }
    case SQLITE_FLOAT: {
      const double value = sqlite3_value_double(cell);
      if (kind == DeclaredKind::kDecimal && PutRealAsDecimal(row, value)) return;
      if (kind == DeclaredKind::kBool) return row.PutBool(value != 0);
      if (kind == DeclaredKind::kDate) {
        if (auto date = OleDateFromJulianDay(value)) return row.PutDate(*date);
      }
      return row.PutDouble(value);
    }
    case SQLITE_TEXT: {
      const std::string_view text = ValueText(cell);
      if (kind == DeclaredKind::kDate) {
        if (row.PutDateText(text)) return;
      }
      if (kind == DeclaredKind::kDecimal && IsPlainDecimal(text)) return row.PutDecimal(text);
      return row.PutText(text);
    }
    default:
      return row.PutBinary(ValueBlob(cell));
  }
}

}  // namespace ql::access
