// Rows: the current recordset's rows as a table, read from the same cursor the record display
// reads, a row at a time.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/aligned_table.h"
#include "db/database.h"
#include "db/line_tag.h"
#include "db/row_sink.h"
#include "db/value_format.h"

namespace ql::db {

namespace {

constexpr std::int64_t kRowsOffTerminal = 20;
// The lines a table takes besides its rows (the names, the rule, "(N rows)"), and the prompt.
constexpr std::int64_t kLinesBesideRows = 4;

}  // namespace

std::int64_t Database::DefaultRowCount() const {
  const std::optional<console::WindowSize> size = console_ != nullptr ? console_->OutputSize() : std::nullopt;
  if (!size) return kRowsOffTerminal;
  return std::max<std::int64_t>(1, size->rows - kLinesBesideRows);
}

AlignedTable Database::TablePrinter() {
  std::optional<std::size_t> widthLimit;
  if (console_ != nullptr) {
    if (const std::optional<console::WindowSize> size = console_->OutputSize()) {
      widthLimit = static_cast<std::size_t>(size->columns);
    }
  }
  return AlignedTable([this](std::string_view text) { PrintLiteral(text); }, EscapesControls(), widthLimit);
}

bool Database::ShowRows(std::optional<std::int64_t> count) {
  if (!Has(recordset)) return false;
  // Rows are printed as they are read, and reading may wait on a server.
  ShowPrintedOutput();
  AlignedTable table = TablePrinter();
  return Guarded(kTagShowRows, Report::kCode, false, [&] {
    try {
      access::Recordset& rows = *recordset;
      // Moved off a row already shown: the end may be found past it.
      bool leftShownRow = false;
      if (currentShown_ && !rows.Eof()) {
        rows.MoveNext();
        currentShown_ = false;
        leftShownRow = true;
      } else if (rows.Bof() && !rows.Eof()) {
        rows.MoveFirst();
      }
      // The names go first, unless the rows shown before already reached the end.
      if (!rows.Eof() || rows.Bof()) {
        const access::Ref<access::Fields> fields = rows.GetFields();
        const std::int32_t columns = fields->Count();
        if (fields.Shared() != shownFields_.collection.Shared() ||
            shownFields_.items.size() != static_cast<std::size_t>(columns)) {
          ShownFields taken{fields, {}};
          for (std::int32_t i = 0; i < columns; ++i) taken.items.push_back(fields->Item(i));
          shownFields_ = std::move(taken);
        }
        std::vector<std::string_view> names;
        for (const access::Ref<access::Field>& field : shownFields_.items) names.push_back(field->Name());
        table.Header(names);
      }
      // A value read into per column, and its text, each keeping its room from row to row.
      const std::size_t columns = shownFields_.items.size();
      std::vector<access::Variant> values(columns);
      std::vector<std::string> texts(columns);
      std::vector<Cell> cells(columns);
      std::int64_t shown = 0;
      while (!rows.Eof() && (!count || shown < *count)) {
        if (shown > 0) {
          rows.MoveNext();
          currentShown_ = false;
          if (rows.Eof()) break;
        }
        for (std::size_t i = 0; i < columns; ++i) {
          shownFields_.items[i]->ReadValue(values[i]);
          texts[i].clear();
          cells[i].kind = FormatCell(values[i], texts[i]);
          cells[i].text = texts[i];
        }
        table.Row(cells);
        ++shown;
        currentShown_ = true;
      }
      std::optional<std::int64_t> total;
      if (rows.Eof()) {
        total = rows.RecordCount();
        // Back to the last row shown, through rows the cursor holds already.
        if ((shown > 0 || leftShownRow) && *total > 0) {
          rows.MoveFirst();
          for (std::int64_t i = 1; i < *total; ++i) rows.MoveNext();
          currentShown_ = true;
        }
      }
      table.End(total);
      return true;
    } catch (const access::DataAccessError&) {
      // What was read is shown; the report follows.
      table.End(std::nullopt);
      throw;
    }
  });
}

}  // namespace ql::db
