#include "access/mariadb/mariadb_values.h"

#include <charconv>
#include <cstdint>
#include <optional>

#include "access/ascii.h"

namespace ql::access {
namespace {

// The collation number of the binary character set: string and BLOB columns of it hold bytes.
constexpr unsigned int kBinaryCharset = 63;

template <class Number>
std::optional<Number> Whole(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

MariadbValueKind IntegerKind(const MYSQL_FIELD& field) {
  const bool isUnsigned = (field.flags & UNSIGNED_FLAG) != 0;
  switch (field.type) {
    case MYSQL_TYPE_TINY:
      return isUnsigned ? MariadbValueKind::kSmallInt : MariadbValueKind::kTinyInt;
    case MYSQL_TYPE_SHORT:
      return isUnsigned ? MariadbValueKind::kInteger : MariadbValueKind::kSmallInt;
    case MYSQL_TYPE_LONGLONG:
      return isUnsigned ? MariadbValueKind::kUnsigned : MariadbValueKind::kInteger;
    default:
      return MariadbValueKind::kInteger;
  }
}

}  // namespace

MariadbValueKind KindOfField(const MYSQL_FIELD& field) {
  switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
      return IntegerKind(field);
    case MYSQL_TYPE_YEAR:
      return MariadbValueKind::kSmallInt;
    case MYSQL_TYPE_FLOAT:
      return MariadbValueKind::kReal;
    case MYSQL_TYPE_DOUBLE:
      return MariadbValueKind::kDouble;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return MariadbValueKind::kDecimal;
    case MYSQL_TYPE_BIT:
      return MariadbValueKind::kBit;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_DATETIME2:
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_TIMESTAMP2:
      return MariadbValueKind::kDate;
    case MYSQL_TYPE_NULL:
      return MariadbValueKind::kNull;
    case MYSQL_TYPE_GEOMETRY:
      return MariadbValueKind::kBinary;
    // MySQL's JSON comes in the binary character set, but is text.
    case MYSQL_TYPE_JSON:
      return MariadbValueKind::kText;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
      return field.charsetnr == kBinaryCharset ? MariadbValueKind::kBinary : MariadbValueKind::kText;
    default:
      return MariadbValueKind::kText;
  }
}

// Whatever does not read as a value of its kind is kept as the server's text, never lost.
void PutMariadbValue(MariadbValueKind kind, std::string_view bytes, RowWriter& row) {
  switch (kind) {
    case MariadbValueKind::kTinyInt:
      if (const auto value = Whole<std::int8_t>(bytes)) return row.PutTinyInt(*value);
      return row.PutText(bytes);
    case MariadbValueKind::kSmallInt:
      if (const auto value = Whole<std::int16_t>(bytes)) return row.PutSmallInt(*value);
      return row.PutText(bytes);
    case MariadbValueKind::kInteger:
      if (const auto value = Whole<std::int64_t>(bytes)) return row.PutInteger(*value);
      return row.PutText(bytes);
    case MariadbValueKind::kUnsigned:
      if (const auto value = Whole<std::uint64_t>(bytes)) return row.PutUnsigned(*value);
      return row.PutText(bytes);
    case MariadbValueKind::kReal:
      if (const auto value = Whole<float>(bytes)) return row.PutReal(*value);
      return row.PutText(bytes);
    case MariadbValueKind::kDouble:
      if (const auto value = Whole<double>(bytes)) return row.PutDouble(*value);
      return row.PutText(bytes);
    case MariadbValueKind::kDecimal:
      if (IsPlainDecimal(bytes)) return row.PutDecimal(bytes);
      return row.PutText(bytes);
    case MariadbValueKind::kBit: {
      if (bytes.size() > sizeof(std::uint64_t)) return row.PutBinary(bytes);
      std::uint64_t value = 0;
      for (char byte : bytes) value = value << 8 | static_cast<unsigned char>(byte);
      return row.PutUnsigned(value);
    }
    case MariadbValueKind::kDate:
      if (row.PutDateText(bytes)) return;
      return row.PutText(bytes);
    case MariadbValueKind::kBinary:
      return row.PutBinary(bytes);
    case MariadbValueKind::kText:
      return row.PutText(bytes);
    case MariadbValueKind::kNull:
      return row.PutNull();
  }
}

}  // namespace ql::access
