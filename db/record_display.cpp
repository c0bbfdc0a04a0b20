#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

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
std::string NameColumn(std::string name) {
  const std::size_t nul = name.find('\0');
  if (nul != std::string::npos) name.resize(nul);
  if (name.size() < kNameColumn) name.resize(kNameColumn, ' ');
  return name;
}

}  // namespace

bool Database::ShowRecord(access::Ref<access::Recordset> shown) {
  try {
    const access::Ref<access::Recordset> rows = shown ? std::move(shown) : recordset;
    if (rows->Bof()) return false;
    if (rows->Eof()) return false;
    const std::int32_t count = rows->GetFields()->Count();
    for (std::int32_t i = 0; i < count; ++i) {
      const access::Ref<access::Field> field = rows->GetFields()->Item(i);
      Print("%s", NameColumn(field->Name()).c_str());
      // A failure from here on is reported on the line that holds the name.
      Print("%s", FormatValue(field->Value()).c_str());
    }
    Print("%s", kRecordSeparator);
    return true;
  } catch (const access::DataAccessError& error) {
    ReportComError(error, kTagShowRecord);
    return false;
  }
}

}  // namespace db
