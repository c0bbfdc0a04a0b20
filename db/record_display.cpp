#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "console/markup.h"
#include "db/database.h"
#include "db/line_tag.h"
#include "db/value_format.h"

namespace db {

namespace {

constexpr std::size_t kNameColumn = 16;
constexpr char kRecordSeparator[] =
    "-------------------------------------------------------------------------------\n";
static_assert(sizeof kRecordSeparator == 79 + 2);

// The name up to its first NUL, filled with blanks to the column's width; a longer name is kept
// whole and the value follows it directly.
void NameColumn(std::string_view name, std::string& line) {
  // Names are short: a plain loop costs less than a call to memchr.
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\0') {
      name = name.substr(0, i);
      break;
    }
  }
  line += name;
  if (name.size() < kNameColumn) line.append(kNameColumn - name.size(), ' ');
}

}  // namespace

bool Database::ShowRecord(access::Ref<access::Recordset> shown) {
  // The record goes to the console as one text, which it reads exactly as the names and values one
  // after the other, except where a piece ends in the middle of a colour change: what is gathered
  // is then printed up to that end, so that the piece after it is read on its own as before.
  std::string record;
  const auto endPiece = [this, &record](std::size_t start) {
    if (!console::EndsInsideMarkup(std::string_view(record).substr(start))) return;
    Print("%s", record.c_str());
    record.clear();
  };
  try {
    const access::Ref<access::Recordset> rows = shown ? std::move(shown) : recordset;
    if (rows->Bof()) return false;
    if (rows->Eof()) return false;
    const std::int32_t count = rows->GetFields()->Count();
    // Room for a record of ordinary width, so that it is built without growing.
    record.reserve(1024);
    for (std::int32_t i = 0; i < count; ++i) {
      const access::Ref<access::Field> field = rows->GetFields()->Item(i);
      std::size_t start = record.size();
      NameColumn(field->Name(), record);
      endPiece(start);
      start = record.size();
      FormatValue(field->Value(), record);
      endPiece(start);
    }
    record += kRecordSeparator;
    Print("%s", record.c_str());
    return true;
  } catch (const access::DataAccessError& error) {
    // Whatever was shown of the record comes first; the report follows the name of the field.
    if (!record.empty()) Print("%s", record.c_str());
    ReportComError(error, kTagShowRecord);
    return false;
  }
}

}  // namespace db
