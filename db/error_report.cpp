#include <cstdint>
#include <string>

#include "db/code_meaning.h"
#include "db/database.h"

namespace db {

namespace {

const char* OrNull(const std::optional<std::string>& text) {
  return text ? text->c_str() : "(null)";
}

}  // namespace

// Every line goes through the colour markup as it stands: a "#" in a meaning, source or
// description sets the colour there, like any other text printed.
void Database::ReportComError(const access::DataAccessError& error, int lineTag) {
  const auto code = static_cast<std::uint32_t>(error.Code());
  const std::string meaning = CodeMeaning(error.Code());
  Print("--------------- Error @%d ---------------\n", lineTag);
  Print("> Code = %08lx\n", static_cast<unsigned long>(code));
  Print("> Code meaning = %s\n", meaning.c_str());
  Print("> Source = %s\n", OrNull(error.Source()));
  Print("> Description = %s\n", OrNull(error.Description()));
  Print("--------------- Error @%d ---------------\n", lineTag);
}

void Database::ReportAdoErrors(const access::Ref<access::Connection>& from) {
  const access::Ref<access::Connection> held = from;
  if (!held) return;
  try {
    const access::Ref<access::Errors> errors = held->GetErrors();
    const std::int32_t count = errors->Count();
    for (std::int32_t i = 0; i < count; ++i) {
      const access::Ref<access::Error> entry = errors->Item(i);
      const std::string description = entry->Description();
      const std::int32_t number = entry->Number();
      // No line end: the entries and the report that follows share one line.
      Print("\t Error number: %x\t%s", static_cast<unsigned>(number), description.c_str());
    }
  } catch (const access::DataAccessError&) {
    // The caller's report of the failure under way follows and says what matters.
  }
}

}  // namespace db
