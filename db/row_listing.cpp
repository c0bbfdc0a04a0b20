// Rows: the current recordset's rows as a table, read from the same cursor the record display
// reads, a row at a time.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/aligned_table.h"
#include "db/database.h"
#include "db/delimited_rows.h"
#include "db/json_lines.h"
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

std::unique_ptr<RowSink> Database::RowPrinter() {
  auto print = [this](std::string_view text) { PrintLiteral(text); };
  switch (format_) {
    case RowFormat::kCsv:
      return std::make_unique<DelimitedRows>(print, DelimitedRows::Style::kCsv, !exportHeaded_);
    case RowFormat::kTsv:
      return std::make_unique<DelimitedRows>(print, DelimitedRows::Style::kTsv, !exportHeaded_);
    case RowFormat::kJson:
      return std::make_unique<JsonLines>(print);
    case RowFormat::kTable:
      break;
  }
  return std::make_unique<AlignedTable>(TablePrinter());
}

bool Database::ShowRows(std::optional<std::int64_t> count) {
  const std::unique_ptr<RowSink> printer = RowPrinter();
  RowSink& table = *printer;
  const bool shownText = table.WantsShownText();
  // Every row left, to a file or a pipe: the rows are not kept once printed, so that an export of
  // any size runs in bounded memory. At a terminal they stay for record and t.
  const bool stream = !count && console_ != nullptr && !console_->OutputSize();
  // Rows are printed as they are read, and reading may wait on a server.
  return Guarded(
      {kTagShowRows, Needs::kRecordset, Waits::kPrinting}, false,
      [&] {
        access::Recordset& rows = *recordset_;
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
          std::vector<std::string_view> names;
          for (std::int32_t i = 0; i < columns; ++i) names.push_back(fields->Item(i)->Name());
          table.Header(names);
          if (format_ != RowFormat::kTable) exportHeaded_ = true;
        }
        if (stream) rows.StreamRows();
        // Each column's text, keeping its room from row to row.
        std::vector<std::string> texts;
        std::vector<Cell> cells;
        std::int64_t shown = 0;
        while (!rows.Eof() && (!count || shown < *count)) {
          if (shown > 0) {
            rows.MoveNext();
            currentShown_ = false;
            if (rows.Eof()) break;
          }
          const std::span<const access::Variant> values = rows.ReadRow().values;
          cells.resize(values.size());
          texts.resize(values.size());
          for (std::size_t i = 0; i < values.size(); ++i) {
            cells[i].value = &values[i];
            if (!shownText) continue;
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
          // Back to the last row shown, through rows the cursor holds already; rows streamed are
          // gone, and the cursor stays past the end.
          pastShownEnd_ = stream && shown > 0;
          if (!stream && (shown > 0 || leftShownRow) && *total > 0) {
            rows.MoveFirst();
            for (std::int64_t i = 1; i < *total; ++i) rows.MoveNext();
            currentShown_ = true;
          }
        }
        table.End(total);
        return true;
      },
      // What was read is shown; the report follows.
      [&] { table.End(std::nullopt); });
}

}  // namespace ql::db
