#include "access/odbc/odbc_columns.h"

#include <sqlext.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "access/core/row_store.h"
#include "access/odbc/odbc_cursor.h"

namespace ql::access {
namespace {

// The columns of the SQLColumns result read here, by their numbers in ODBC 3. A driver of ODBC 2
// gives only the first twelve: no ORDINAL_POSITION (its order is then the driver's) nor IS_NULLABLE.
enum CatalogColumn : SQLUSMALLINT {
  kTableCatalog = 1,
  kTableSchema = 2,
  kTableName = 3,
  kColumnName = 4,
  kDataType = 5,
  kTypeName = 6,
  kColumnSize = 7,
  kNullable = 11,
  kColumnDefault = 13,
  kOrdinal = 17,
  kIsNullable = 18,
};

constexpr CatalogColumn kRead[] = {kTableCatalog, kTableSchema, kTableName,     kColumnName, kDataType,  kTypeName,
                                   kColumnSize,   kNullable,    kColumnDefault, kOrdinal,    kIsNullable};

// The types whose COLUMN_SIZE the user declared or can read as a size (characters, bytes, digits);
// for every other type it is the driver's figure for a fixed type (an integer's digits), or the most
// a long type may hold, and is shown as none.
constexpr SQLSMALLINT kSizedTypes[] = {SQL_CHAR,   SQL_VARCHAR,   SQL_WCHAR,   SQL_WVARCHAR,
                                       SQL_BINARY, SQL_VARBINARY, SQL_DECIMAL, SQL_NUMERIC};

struct ColumnRow {
  std::optional<std::string> name;
  std::optional<std::string> type;
  std::optional<std::int64_t> size;
  std::optional<std::string> nullable;  // "YES" or "NO"
  std::optional<std::string> defaultValue;
  std::int64_t ordinal = 0;
};

std::optional<std::string> TextOf(const Variant& value) {
  if (value.Type() == VT_NULL || value.Type() == VT_EMPTY) return std::nullopt;
  return value.ToText();
}

std::optional<std::int64_t> WholeOf(const Variant& value) {
  const std::optional<std::string> text = TextOf(value);
  if (!text) return std::nullopt;
  std::int64_t whole = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), whole);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return whole;
}

// IS_NULLABLE where the driver fills it, NULLABLE otherwise (psqlODBC leaves the first NULL).
std::optional<std::string> NullableOf(const std::optional<std::string>& isNullable,
                                      std::optional<std::int64_t> nullable) {
  if (isNullable == "YES" || isNullable == "NO") return isNullable;
  if (nullable == SQL_NO_NULLS) return "NO";
  if (nullable == SQL_NULLABLE) return "YES";
  return std::nullopt;
}

std::optional<std::int64_t> SizeOf(std::optional<std::int64_t> dataType, std::optional<std::int64_t> size) {
  if (!dataType || !size || *size < 0) return std::nullopt;
  const bool sized = std::find(std::begin(kSizedTypes), std::end(kSizedTypes), *dataType) != std::end(kSizedTypes);
  return sized ? size : std::nullopt;
}

void PutText(const std::optional<std::string>& text, RowWriter& row) {
  if (text) {
    row.PutText(*text);
  } else {
    row.PutNull();
  }
}

class ColumnsCursor final : public ProviderCursor {
 public:
  explicit ColumnsCursor(std::vector<ColumnRow> rows) : rows_(std::move(rows)) {}

  const std::vector<std::string>& ColumnNames() const override {
    static const std::vector<std::string> names = {"COLUMN_NAME", "TYPE_NAME", "COLUMN_SIZE", "IS_NULLABLE",
                                                   "COLUMN_DEFAULT"};
    return names;
  }

  bool FetchRow(RowWriter& row) override {
    if (next_ >= rows_.size()) return false;
    const ColumnRow& column = rows_[next_++];
    PutText(column.name, row);
    PutText(column.type, row);
    if (column.size) {
      row.PutInteger(*column.size);
    } else {
      row.PutNull();
    }
    PutText(column.nullable, row);
    PutText(column.defaultValue, row);
    return true;
  }

 private:
  std::vector<ColumnRow> rows_;
  std::size_t next_ = 0;
};

}  // namespace

std::string LiteralPattern(std::string_view name, std::string_view escape) {
  if (escape.empty()) return std::string(name);
  std::string pattern;
  pattern.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    if (name.substr(i).starts_with(escape)) {
      pattern.append(escape).append(escape);
      i += escape.size();
      continue;
    }
    if (name[i] == '_' || name[i] == '%') pattern += escape;
    pattern += name[i++];
  }
  return pattern;
}

std::unique_ptr<ProviderCursor> ReadColumnsRowset(std::shared_ptr<OdbcLink> link,
                                                  std::shared_ptr<OdbcStatement> statement) {
  SQLSMALLINT count = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(statement->Get(), &count))) {
    link->Raise(statement->Handle(), "Reading the columns catalog");
  }
  std::vector<OdbcCursor::Column> read;
  std::vector<std::size_t> at(kIsNullable + 1, static_cast<std::size_t>(-1));  // CatalogColumn to cell
  for (CatalogColumn column : kRead) {
    if (column > count) continue;
    at[column] = read.size();
    read.push_back({column, "c" + std::to_string(column)});
  }
  if (at[kColumnName] == static_cast<std::size_t>(-1)) {
    link->errors->Raise(kProviderFailed, link->driver.name, "The driver's list of columns has too few columns.");
  }
  OdbcCursor catalog(link, std::move(statement), read);
  RowStore store(read.size());
  std::vector<ColumnRow> rows;
  std::optional<std::string> table;  // catalog, schema and name of the first table listed
  for (std::size_t index = 0;; ++index) {
    RowWriter writer = store.BeginRow();
    if (!catalog.FetchRow(writer)) {
      store.AbandonRow();
      break;
    }
    store.EndRow();
    const auto cell = [&](CatalogColumn column) {
      return at[column] == static_cast<std::size_t>(-1) ? Variant::Null() : store.Value(index, at[column]);
    };
    std::string tableKey;
    for (CatalogColumn part : {kTableCatalog, kTableSchema, kTableName}) {
      const std::optional<std::string> text = TextOf(cell(part));
      tableKey += text ? "=" + *text : "-";
      tableKey += '\0';
    }
    if (!table) table = tableKey;
    if (tableKey != *table) continue;
    ColumnRow row;
    row.name = TextOf(cell(kColumnName));
    row.type = TextOf(cell(kTypeName));
    row.size = SizeOf(WholeOf(cell(kDataType)), WholeOf(cell(kColumnSize)));
    row.nullable = NullableOf(TextOf(cell(kIsNullable)), WholeOf(cell(kNullable)));
    row.defaultValue = TextOf(cell(kColumnDefault));
    row.ordinal = WholeOf(cell(kOrdinal)).value_or(static_cast<std::int64_t>(rows.size()));
    rows.push_back(std::move(row));
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const ColumnRow& a, const ColumnRow& b) { return a.ordinal < b.ordinal; });
  return std::make_unique<ColumnsCursor>(std::move(rows));
}

}  // namespace ql::access
