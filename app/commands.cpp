#include "app/commands.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "access/ascii.h"
#include "app/demonstration.h"
#include "app/notices.h"
#include "app/version_query.h"
#include "console/color_console.h"
#include "db/database.h"
#include "db/row_format.h"
#include "shell/command_shell.h"

namespace ql::app {
namespace {

CommandTarget& Target(void* userValue) { return *static_cast<CommandTarget*>(userValue); }

console::ColorConsole& Console(void* userValue) { return Target(userValue).console; }

using MessageKind = console::ColorConsole::MessageKind;

// A line that is not a command's result: a usage line or a refusal (errors), or an acknowledgement.
void PrintMessage(void* userValue, MessageKind kind, const char* text) {
  console::ColorConsole& console = Console(userValue);
  const console::ColorConsole::Message message(&console, kind);
  console.Print("%s", text);
}

// Hands the text after the command word to the database as it was typed (see ArgumentText), or
// says how the command is used when there is none. A NUL would end the text for every provider,
// which would then run only its first part (a WHERE clause losing its second condition), so such a
// text goes nowhere.
void RunTypedText(std::int32_t tokenCount, void* userValue, const char* usage, const char* refusal,
                  bool (db::Database::*run)(const char*)) {
  CommandTarget& target = Target(userValue);
  if (tokenCount < 2) {
    PrintMessage(userValue, MessageKind::kError, (std::string(usage) + "\n").c_str());
    return;
  }
  const std::string_view text = target.shell.ArgumentText();
  if (text.find('\0') != std::string_view::npos) {
    PrintMessage(userValue, MessageKind::kError, (std::string(refusal) + ": the text holds a NUL byte.\n").c_str());
    return;
  }
  (target.database.*run)(std::string(text).c_str());
}

// The command's work, then what more the database had to say about it (see Database::FinishCommand).
template <shell::CommandHandler Work>
void OnDatabase(std::int32_t tokenCount, char** tokens, void* userValue) {
  db::Database& database = Target(userValue).database;
  database.BeginCommand();
  Work(tokenCount, tokens, userValue);
  database.FinishCommand();
}

// The first word of the text after the command word, as typed; empty when there is none.
std::string_view FirstArgument(void* userValue) {
  const std::string_view text = Target(userValue).shell.ArgumentText();
  return text.substr(0, text.find_first_of(" \t"));
}

void OpenCommand(std::int32_t tokenCount, char**, void* userValue) {
  RunTypedText(tokenCount, userValue, "OPEN connection string", "Connection string not used", &db::Database::Open);
}

void SqlCommand(std::int32_t tokenCount, char**, void* userValue) {
  RunTypedText(tokenCount, userValue, "SQL sql command", "Statement not run", &db::Database::ExecuteSql);
}

void CloseCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.Close(); }

void VersionCommand(std::int32_t, char**, void* userValue) { PrintComponentVersion(Console(userValue)); }

void TableCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.ListTables(); }

// Record and t print nothing of their own: the database reports a missing recordset or a refused
// move, and past the last row nothing is shown at all.
void FirstRecordCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.ShowFirstRecord(); }

void NextRecordCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.ShowNextRecord(); }

// Rows [count|all]: without a word, a screenful (see Database::DefaultRowCount).
void RowsCommand(std::int32_t, char**, void* userValue) {
  CommandTarget& target = Target(userValue);
  const std::string_view word = FirstArgument(userValue);
  if (word.empty()) {
    target.database.ShowRows(target.database.DefaultRowCount());
    return;
  }
  if (access::EqualsIgnoringCase(word, "all")) {
    target.database.ShowRows(std::nullopt);
    return;
  }
  std::int64_t count = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), count);
  if (error != std::errc() || end != word.data() + word.size() || count < 1) {
    PrintMessage(userValue, MessageKind::kError, "ROWS [number of rows|all]\n");
    return;
  }
  target.database.ShowRows(count);
}

void ColumnsCommand(std::int32_t tokenCount, char**, void* userValue) {
  RunTypedText(tokenCount, userValue, "COLUMNS table name", "Table name not used", &db::Database::ListColumns);
}

void MoreCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.OpenNextResult(); }

void InfoCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.ShowConnectionFacts(); }

// Timing [on|off]: without a word it turns timing over.
void TimingCommand(std::int32_t, char**, void* userValue) {
  CommandTarget& target = Target(userValue);
  const std::string_view word = FirstArgument(userValue);
  bool on = !target.database.Timing();
  if (!word.empty()) {
    if (access::EqualsIgnoringCase(word, "on")) {
      on = true;
    } else if (access::EqualsIgnoringCase(word, "off")) {
      on = false;
    } else {
      PrintMessage(userValue, MessageKind::kError, "TIMING [on|off]\n");
      return;
    }
  }
  target.database.SetTiming(on);
  PrintMessage(userValue, MessageKind::kInformation, on ? "Timing is on.\n" : "Timing is off.\n");
}

// Format [table|csv|tsv|json]: without a word it says which format Rows prints in.
void FormatCommand(std::int32_t, char**, void* userValue) {
  CommandTarget& target = Target(userValue);
  const std::string_view word = FirstArgument(userValue);
  if (!word.empty()) {
    const std::optional<db::RowFormat> format = db::RowFormatNamed(word);
    if (!format) {
      PrintMessage(userValue, MessageKind::kError, "FORMAT [table|csv|tsv|json]\n");
      return;
    }
    target.database.SetRowFormat(*format);
  }
  const std::string text = "Format is " + std::string(db::RowFormatName(target.database.Format())) + ".\n";
  PrintMessage(userValue, MessageKind::kInformation, text.c_str());
}

void DemoCommand(std::int32_t, char**, void* userValue) { PrintDemonstration(Console(userValue)); }

void DatabasesCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.ListDatabases(); }

void CountCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.ShowRecordCount(); }

// Blank in black on black; the text that follows keeps its own colours.
void ClearScreenCommand(std::int32_t, char**, void* userValue) {
  console::ColorConsole& console = Console(userValue);
  console.ClearScreen(0);
  console.MoveCursor(0, 0);
}

void AboutCommand(std::int32_t, char**, void* userValue) { PrintMakersNotice(Console(userValue)); }

// Registration order; the help listing sorts by name. The commands that work on the database run
// through OnDatabase. The texts of Open and SQL go on over the next lines while the quotation mark
// they start with is open.
constexpr shell::CommandRow kCommands[] = {
    {"Open", "Open database by connection string", OnDatabase<OpenCommand>, true},
    {"Close", "Close database", OnDatabase<CloseCommand>},
    {"Ver", "Get MDAC Version", VersionCommand},
    {"SQL", "Execute a SQL command", OnDatabase<SqlCommand>, true},
    {"Table", "Show all tables in current db", OnDatabase<TableCommand>},
    {"Record", "Display current record in current recordset", OnDatabase<FirstRecordCommand>},
    {"t", "Move to next record and display it", OnDatabase<NextRecordCommand>},
    {"Demo", "Demo how to use this tools", DemoCommand},
    {"DB", "List databases", OnDatabase<DatabasesCommand>},
    {"Count", "Get records count in current recordset", OnDatabase<CountCommand>},
    {"CLS", "Clear screen", ClearScreenCommand},
    {"About", "Copy right infomation", AboutCommand},
    {"Rows", "Show rows from current record as a table: Rows [count|all]", OnDatabase<RowsCommand>},
    {"Columns", "Show the columns of a table: Columns table", OnDatabase<ColumnsCommand>},
    {"More", "Make the next result of the last SQL command current", OnDatabase<MoreCommand>},
    {"Info", "Show what the open connection is", OnDatabase<InfoCommand>},
    {"Timing", "Show each command's time: Timing [on|off]", TimingCommand},
    {"Format", "Set the form Rows prints in: Format [table|csv|tsv|json]", FormatCommand},
    // They end the program as Q does.
    {"Exit", "Quit", shell::Quit},
    {"Quit", "Quit", shell::Quit},
};

}  // namespace

void RegisterCommands(CommandTarget& target) { target.shell.AddCommands(kCommands, &target); }

}  // namespace ql::app
