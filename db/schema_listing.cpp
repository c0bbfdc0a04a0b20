#include <string>
#include <string_view>

#include "db/database.h"
#include "db/line_tag.h"

namespace ql::db {

namespace {

// A column of the current schema row as text, NULs and all.
std::string ColumnText(access::Fields& fields, std::string_view column) {
  return fields.Item(column)->Value().ToText();
}

std::string TableLine(access::Fields& fields) {
  const std::string name = ColumnText(fields, "TABLE_NAME");
  const std::string type = ColumnText(fields, "TABLE_TYPE");
  return name + " [" + type + "]\n";
}

std::string CatalogLine(access::Fields& fields) { return ColumnText(fields, "CATALOG_NAME") + '\n'; }

struct SchemaListing {
  access::SchemaKind kind;
  std::string (*line)(access::Fields& fields);
};

constexpr SchemaListing kTables{access::SchemaKind::kTables, TableLine};
constexpr SchemaListing kCatalogs{access::SchemaKind::kCatalogs, CatalogLine};

// Prints one line per schema row; the lines hold nothing but names the database supplied, so they
// are printed as they are. The rowset lives only for this call: closed here when it ended
// open, and released (without a close) on the error road.
template <class PrintLine>
void ListSchema(access::Connection& connection, const SchemaListing& listing, PrintLine print) {
  static const access::Variant missing = access::Variant::Missing();
  const access::Ref<access::Recordset> rows = connection.OpenSchema(listing.kind, missing, missing);
  while (!rows->Eof()) {
    print(listing.line(*rows->GetFields()));
    rows->MoveNext();
  }
  if (rows->State() == access::kStateOpen) rows->Close();
}

}  // namespace

bool Database::ListTables() {
  if (!Has(connection)) return false;
  ShowPrintedOutput();
  return Guarded(kTagListTables, Report::kErrorListAndCode, true, [&] {
    ListSchema(*connection, kTables, [this](const std::string& line) { PrintLiteral(line); });
    return true;
  });
}

// A listing the provider does not offer is said in a line of its own, without a report.
bool Database::ListDatabases() {
  if (!Has(connection)) return false;
  ShowPrintedOutput();
  return Guarded(kTagListDatabases, Report::kErrorListAndCode, true, [&] {
    try {
      ListSchema(*connection, kCatalogs, [this](const std::string& line) { PrintLiteral(line); });
    } catch (const access::DataAccessError& error) {
      if (error.Code() != access::kNotSupported) throw;
      Print("Not support list datebases!\n");
      return false;
    }
    return true;
  });
}

}  // namespace ql::db
