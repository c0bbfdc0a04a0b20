#include <array>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "db/aligned_table.h"
#include "db/database.h"
#include "db/line_tag.h"
#include "db/row_sink.h"
#include "db/value_format.h"

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

// The columns of a column listing: what each shows of the kColumns rowset, and its title.
struct ColumnListingColumn {
  std::string_view source;
  std::string_view title;
};

constexpr ColumnListingColumn kColumnListing[] = {
    {"COLUMN_NAME", "Name"},     {"TYPE_NAME", "Type"},         {"COLUMN_SIZE", "Size"},
    {"IS_NULLABLE", "Nullable"}, {"COLUMN_DEFAULT", "Default"},
};
constexpr std::size_t kColumnListingWidth = std::size(kColumnListing);

}  // namespace

bool Database::ListTables() {
  return Guarded({kTagListTables, Needs::kConnection, Waits::kPrinting, Report::kErrorListAndCode}, true, [&] {
    ListSchema(*connection_, kTables, [this](const std::string& line) { PrintLiteral(line); });
    return true;
  });
}

// A listing the provider does not offer is said in a line of its own, without a report.
bool Database::ListDatabases() {
  return Guarded({kTagListDatabases, Needs::kConnection, Waits::kPrinting, Report::kErrorListAndCode}, true, [&] {
    try {
      ListSchema(*connection_, kCatalogs, [this](const std::string& line) { PrintLiteral(line); });
    } catch (const access::DataAccessError& error) {
      if (error.Code() != access::kNotSupported) throw;
      Print("Not support list datebases!\n");
      return false;
    }
    return true;
  });
}

// A size or a default the column does not have (NULL) shows as nothing: it is no value of the
// table's. A listing the provider does not offer is said in a line of its own, without a report.
bool Database::ListColumns(const char* table) {
  AlignedTable printer = TablePrinter();
  return Guarded({kTagListColumns, Needs::kConnection, Waits::kPrinting, Report::kErrorListAndCode}, false, [&] {
    try {
      const access::Ref<access::Recordset> rows =
          connection_->OpenSchema(access::SchemaKind::kColumns, access::Variant::Text(table != nullptr ? table : ""),
                                  access::Variant::Missing());
      if (rows->Eof()) {
        if (rows->State() == access::kStateOpen) rows->Close();
        PrintLiteral(std::string("No columns: no table \"") + (table != nullptr ? table : "") + "\" was found.\n");
        return false;
      }
      std::array<std::string_view, kColumnListingWidth> titles;
      for (std::size_t i = 0; i < kColumnListingWidth; ++i) titles[i] = kColumnListing[i].title;
      printer.Header(titles);
      std::array<access::Variant, kColumnListingWidth> values;
      std::array<std::string, kColumnListingWidth> texts;
      std::array<Cell, kColumnListingWidth> cells;
      while (!rows->Eof()) {
        const access::Ref<access::Fields> fields = rows->GetFields();
        for (std::size_t i = 0; i < kColumnListingWidth; ++i) {
          fields->Item(kColumnListing[i].source)->ReadValue(values[i]);
          texts[i].clear();
          const access::VarType type = values[i].Type();
          cells[i].kind =
              type == access::VT_NULL || type == access::VT_EMPTY ? CellKind::kNull : FormatCell(values[i], texts[i]);
          cells[i].text = texts[i];
        }
        printer.Row(cells);
        rows->MoveNext();
      }
      if (rows->State() == access::kStateOpen) rows->Close();
      printer.End(std::nullopt);
      return true;
    } catch (const access::DataAccessError& error) {
      printer.End(std::nullopt);
      if (error.Code() != access::kNotSupported) throw;
      Print("This connection cannot list a table's columns.\n");
      return false;
    }
  });
}

}  // namespace ql::db
