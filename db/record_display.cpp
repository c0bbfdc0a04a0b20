#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "console/shown_text.h"
#include "db/database.h"
#include "db/line_tag.h"
#include "db/value_format.h"

namespace ql::db {

namespace {

constexpr std::size_t kNameColumn = 16;
constexpr char kRecordSeparator[] =
    "-------------------------------------------------------------------------------\n";
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

bool Database::ShowRecord(access::Ref<access::Recordset> shown) {
  // The record holds nothing but names and values, so it goes to the console as one literal text.
  std::string record;
  const bool escaped = EscapesControls();
  return Guarded(kTagShowRecord, Report::kCode, false, [&] {
    try {
      const access::Ref<access::Recordset> rows = shown ? std::move(shown) : recordset;
      if (rows->Bof() || rows->Eof()) return false;
      // Taken once per record: every reference taken or dropped is an atomic operation once the
      // program has a second thread (the console's late flush), and this runs for every row shown.
      const access::Ref<access::Fields> fields = rows->GetFields();
      const std::int32_t count = fields->Count();
      // Room for a record of ordinary width, so that it is built without growing.
      record.reserve(1024);
      for (std::int32_t i = 0; i < count; ++i) {
        const access::Ref<access::Field> field = fields->Item(i);
        NameColumn(field->Name(), escaped, record);
        field->ReadValue(shownValue_);
        FormatValue(shownValue_, record);
      }
      record += kRecordSeparator;
      PrintLiteral(record);
      return true;
    } catch (const access::DataAccessError&) {
      // Whatever was shown of the record comes first; the report follows the name of the field.
      if (!record.empty()) PrintLiteral(record);
      throw;
    }
  });
}

}  // namespace ql::db
