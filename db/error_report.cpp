#include <cstdint>
#include <string>
#include <string_view>

#include "db/code_meaning.h"
#include "db/database.h"

namespace ql::db {

namespace {

std::string_view OrNull(const std::optional<std::string>& text) {
  return text ? std::string_view(*text) : std::string_view("(null)");
}

}  // namespace

// The meaning, source and description are printed as they are, in the report's colour: a "#" in
// them ("IDispatch error #3092") is a character, not a colour change.
void Database::ReportError(const access::DataAccessError& error, int lineTag) {
  const auto code = static_cast<std::uint32_t>(error.Code());
  const std::string meaning = CodeMeaning(error.Code());
  const console::ColorConsole::Message message(console_, console::ColorConsole::MessageKind::kError);
  Print("--------------- Error @%d ---------------\n", lineTag);
  Print("> Code = %08lx\n", static_cast<unsigned long>(code));
  Print("> Code meaning = ");
  PrintLiteral(meaning);
  Print("\n> Source = ");
  PrintLiteral(OrNull(error.Source()));
  Print("\n> Description = ");
  PrintLiteral(OrNull(error.Description()));
  Print("\n--------------- Error @%d ---------------\n", lineTag);
}

void Database::ReportConnectionErrors(const access::Ref<access::Connection>& from) {
  const access::Ref<access::Connection> held = from;
  if (!held) return;
  const console::ColorConsole::Message message(console_, console::ColorConsole::MessageKind::kError);
  try {
    const access::Ref<access::Errors> errors = held->GetErrors();
    const std::int32_t count = errors->Count();
    for (std::int32_t i = 0; i < count; ++i) {
      const access::Ref<access::Error> entry = errors->Item(i);
      const std::string description = entry->Description();
      const std::int32_t number = entry->Number();
      Print("\t Error number: %x\t", static_cast<unsigned>(number));
      PrintLiteral(description);
      // Each entry ends its line, so that the next entry or the report's frame starts on its own.
      if (description.empty() || description.back() != '\n') Print("\n");
    }
  } catch (const access::DataAccessError&) {
    // The caller's report of the failure under way follows and says what matters.
  }
}

}  // namespace ql::db
