// The names Tab completes from: tables, views and columns, as the connection's catalogs list them.

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace ql::db {

namespace {

constexpr std::string_view kTablesKey = "tables";
constexpr std::string_view kColumnsKey = "columns of ";

std::string Text(access::Fields& fields, std::string_view column) { return fields.Item(column)->Value().ToText(); }

}  // namespace

std::vector<std::string> Database::TableNames(CatalogNames::Deadline until) {
  return CatalogNamesFor(std::string(kTablesKey), &Database::ReadTableNames, {}, until);
}

std::vector<std::string> Database::ColumnNames(const std::string& table, CatalogNames::Deadline until) {
  return CatalogNamesFor(std::string(kColumnsKey) + table, &Database::ReadColumnNames, table, until);
}

void Database::ReadNamesAhead() {
  const std::string key(kTablesKey);
  if (names_.Kept(key) != nullptr || !CatalogsFree()) return;
  const access::Ref<access::Connection> reading = connection_;
  names_.ReadAhead(
      key, [reading] { return ReadTableNames(*reading, {}); }, [reading] { reading->Interrupt(); },
      std::chrono::steady_clock::now() + CatalogNames::kWaitLimit);
}

std::vector<std::string> Database::CatalogNamesFor(const std::string& key,
                                                   std::vector<std::string> (*read)(access::Connection&,
                                                                                    const std::string&),
                                                   const std::string& argument, CatalogNames::Deadline until) {
  if (const std::vector<std::string>* kept = names_.Kept(key)) return *kept;
  // A read under way may be of these very names; CatalogNames tells.
  if (!connection_ || (!names_.ReadRunning() && !CatalogsFree())) return {};
  const access::Ref<access::Connection> reading = connection_;
  return names_.Read(
      key, [reading, read, argument] { return read(*reading, argument); }, [reading] { reading->Interrupt(); }, until);
}

bool Database::CatalogsFree() {
  if (!connection_ || names_.ReadRunning()) return false;
  try {
    if (connection_->State() != access::kStateOpen) return false;
    return !recordset_ || recordset_->State() == access::kStateClosed || recordset_->Eof();
  } catch (const access::DataAccessError&) {
    return false;
  }
}

void Database::ForgetNamesAfter(std::string_view sqlText, bool succeeded) {
  bool rows = false;
  try {
    rows = recordset_ && recordset_->State() != access::kStateClosed;
  } catch (const access::DataAccessError&) {
    rows = false;
  }
  // A ';' with more after it may end a statement that changed the schema before the query.
  const std::size_t separator = sqlText.find(';');
  const bool several =
      separator != std::string_view::npos && sqlText.find_first_not_of(" \t\r\n;", separator) != std::string_view::npos;
  if (!succeeded || !rows || several) names_.Forget();
}

// Tables and views in every schema the listing covers, each name once; the system's are left out.
std::vector<std::string> Database::ReadTableNames(access::Connection& connection, const std::string&) {
  static const access::Variant missing = access::Variant::Missing();
  std::vector<std::string> names;
  try {
    const access::Ref<access::Recordset> rows = connection.OpenSchema(access::SchemaKind::kTables, missing, missing);
    while (!rows->Eof()) {
      const access::Ref<access::Fields> fields = rows->GetFields();
      if (!Text(*fields, "TABLE_TYPE").starts_with("SYSTEM")) names.push_back(Text(*fields, "TABLE_NAME"));
      rows->MoveNext();
    }
    if (rows->State() == access::kStateOpen) rows->Close();
  } catch (const access::DataAccessError&) {
    return {};
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::vector<std::string> Database::ReadColumnNames(access::Connection& connection, const std::string& table) {
  static const access::Variant missing = access::Variant::Missing();
  std::vector<std::string> names;
  try {
    const access::Ref<access::Recordset> rows =
        connection.OpenSchema(access::SchemaKind::kColumns, access::Variant::Text(table), missing);
    while (!rows->Eof()) {
      names.push_back(Text(*rows->GetFields(), "COLUMN_NAME"));
      rows->MoveNext();
    }
    if (rows->State() == access::kStateOpen) rows->Close();
  } catch (const access::DataAccessError&) {
    return {};
  }
  return names;
}

}  // namespace ql::db
