#include "access/postgres/pg_values.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

#include "access/ascii.h"
#include "access/core/money_text.h"
#include "access/core/value_text.h"

namespace ql::access {
namespace {

struct TypeRow {
  Oid type;  // as in the server's pg_type catalogue; built-in types keep their numbers
  PgValueKind kind;
};

constexpr TypeRow kTypes[] = {
    {21, PgValueKind::kSmallInt},  {23, PgValueKind::kInteger}, {20, PgValueKind::kInteger},
    {26, PgValueKind::kInteger},   {700, PgValueKind::kReal},   {701, PgValueKind::kDouble},
    {1700, PgValueKind::kDecimal}, {790, PgValueKind::kMoney},  {16, PgValueKind::kBool},
    {1082, PgValueKind::kDate},    {1114, PgValueKind::kDate},  {1083, PgValueKind::kDate},
    {17, PgValueKind::kBinary},
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// bytea in the hex form ("\x00ff") or the older escape form ("a\\000b\\\\"); nothing when the text is
// neither, and it is then kept as text.
bool DecodeBytea(std::string_view text, std::string& bytes) {
  bytes.clear();
  if (text.starts_with("\\x")) {
    text.remove_prefix(2);
    if (text.size() % 2 != 0) return false;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
      const int high = HexDigit(text[i]);
      const int low = HexDigit(text[i + 1]);
      if (high < 0 || low < 0) return false;
      bytes += static_cast<char>(high * 16 + low);
    }
    return true;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '\\') {
      bytes += '\\';
      ++i;
    } else if (i + 3 < text.size() && IsOctal(text[i + 1]) && IsOctal(text[i + 2]) && IsOctal(text[i + 3])) {
      bytes += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

PgValueKind KindOfType(Oid type) {
  for (const TypeRow& row : kTypes) {
    if (row.type == type) return row.kind;
  }
  return PgValueKind::kText;
}

void PutPgValue(PgValueKind kind, std::string_view text, RowWriter& row) {
  switch (kind) {
    case PgValueKind::kSmallInt:
      return PutFetchedValue(ValueKind::kSmallInt, text, row);
    case PgValueKind::kInteger: {
      // The server writes integers plainly; the general reading takes whatever else comes.
      std::int64_t value = 0;
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (error == std::errc() && end == text.data() + text.size() && !text.empty()) return row.PutInteger(value);
      return PutFetchedValue(ValueKind::kInteger, text, row);
    }
    case PgValueKind::kReal:
      return PutFetchedValue(ValueKind::kReal, text, row);
    case PgValueKind::kDouble:
      return PutFetchedValue(ValueKind::kDouble, text, row);
    case PgValueKind::kDecimal:
      return PutFetchedValue(ValueKind::kDecimal, text, row);
    case PgValueKind::kBool:
      return PutFetchedValue(ValueKind::kBool, text, row);
    case PgValueKind::kDate:
      return PutFetchedValue(ValueKind::kDate, text, row);
    case PgValueKind::kMoney: {
      // Currency when it fits, exact digits beyond; another locale's form stays as written.
      const std::optional<std::string> digits = MoneyDigits(text);
      if (!digits) return row.PutText(text);
      if (const std::optional<Variant> currency = Variant::CurrencyFromDigits(*digits)) {
        return row.PutCurrency(currency->Integer());
      }
      return row.PutDecimal(*digits);
    }
    case PgValueKind::kBinary: {
      std::string bytes;
      if (DecodeBytea(text, bytes)) return row.PutBinary(bytes);
      return row.PutText(text);
    }
    case PgValueKind::kText:
      return row.PutText(text);
  }
}

}  // namespace ql::access
