#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console/terminal/shown_text.h"
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
      const bool ownRecordset = !shown;
      // A reference, not a copy: this runs for every row shown.
      const access::Ref<access::Recordset>& rows = ownRecordset ? recordset : shown;
      if (rows->Bof() || rows->Eof()) return false;
      const access::Ref<access::Fields> fields = rows->GetFields();
      const std::int32_t count = fields->Count();
      const bool known = ownRecordset && fields.Shared() == shownFields_.collection.Shared() &&
                         shownFields_.items.size() == static_cast<std::size_t>(count);
      std::vector<access::Ref<access::Field>> taken;
      // Room for a record of ordinary width, so that it is built without growing.
      record.reserve(1024);
      for (std::int32_t i = 0; i < count; ++i) {
        if (!known) taken.push_back(fields->Item(i));
        access::Field& field = known ? *shownFields_.items[i] : *taken.back();
        NameColumn(field.Name(), escaped, record);
        field.ReadValue(shownValue_);
        FormatValue(shownValue_, record);
      }
      if (ownRecordset && !known) shownFields_ = {fields, std::move(taken)};
      record += kRecordSeparator;
      PrintLiteral(record);
      if (ownRecordset) currentShown_ = true;
      return true;
    } catch (const access::DataAccessError&) {
      // Whatever was shown of the record comes first; the report follows the name of the field.
      if (!record.empty()) PrintLiteral(record);
      throw;
    }
  });
}

}  // namespace ql::db
