#include <string>
#include <string_view>

#include "console/terminal/shown_text.h"
#include "db/database.h"
#include "db/line_tag.h"
#include "db/value_format.h"

namespace ql::db {

namespace {

constexpr std::size_t kNameColumn = 16;
// Bytes of a record's text kept for the next record.
constexpr std::size_t kKeptRecordCapacity = std::size_t{64} << 10;
constexpr char kRecordSeparator[] = "-------------------------------------------------------------------------------\n";
static_assert(sizeof kRecordSeparator == 79 + 2);

// The name filled with blanks to the column's width, counted in the columns the name takes on the
// screen (shown escaped or not), not in bytes; a longer name is kept whole and the value follows it
// directly.
void NameColumn(std::string_view name, bool escaped, std::string& line) {
  line += name;
  const std::size_t width = console::ShownWidth(name, escaped);
  if (width < kNameColumn) line.append(kNameColumn - width, ' ');
}

}  // namespace

bool Database::ShowRecord() {
  // The record holds nothing but names and values, so it goes to the console as one literal text.
  // Its buffer is kept from record to record, so that stepping through rows allocates nothing; the
  // room a very long value took is given back at the next record.
  std::string& record = recordText_;
  if (record.capacity() > kKeptRecordCapacity) std::string().swap(record);
  record.clear();
  const bool escaped = EscapesControls();
  return Guarded(
      {kTagShowRecord}, false,
      [&] {
        if (recordset_->Bof() || recordset_->Eof()) return false;
        const access::RowView row = recordset_->ReadRow();
        for (std::size_t i = 0; i < row.values.size(); ++i) {
          NameColumn(row.names[i], escaped, record);
          FormatValue(row.values[i], record);
        }
        record += kRecordSeparator;
        PrintLiteral(record);
        currentShown_ = true;
        return true;
      },
      // Whatever was shown of the record comes first; the report follows the name of the field
      // whose value could not be shown.
      [&] {
        if (!record.empty()) PrintLiteral(record);
      });
}

}  // namespace ql::db
