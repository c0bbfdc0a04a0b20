#include "app/commands.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "app/demonstration.h"
#include "app/notices.h"
#include "app/version_query.h"
#include "console/console_shell.h"
#include "db/database.h"

namespace ql::app {
namespace {

CommandTarget& Target(void* userValue) { return *static_cast<CommandTarget*>(userValue); }

console::ColorConsole& Console(void* userValue) { return Target(userValue).shell.Console(); }

// Hands the text after the command word to the database as it was typed (see ArgumentText), or
// says how the command is used when there is none. A NUL would end the text for every provider,
// which would then run only its first part (a WHERE clause losing its second condition), so such a
// text goes nowhere.
void RunTypedText(std::int32_t tokenCount, void* userValue, const char* usage, const char* refusal,
                  bool (db::Database::*run)(const char*)) {
  CommandTarget& target = Target(userValue);
  if (tokenCount < 2) {
    target.shell.Console().Print("%s\n", usage);
    return;
  }
  const std::string_view text = target.shell.ArgumentText();
  if (text.find('\0') != std::string_view::npos) {
    target.shell.Console().Print("%s: the text holds a NUL byte.\n", refusal);
    return;
  }
  (target.database.*run)(std::string(text).c_str());
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
void FirstRecordCommand(std::int32_t, char**, void* userValue) {
  db::Database& database = Target(userValue).database;
  if (!database.MoveFirst() || database.IsEof()) return;
  database.ShowRecord();
}

void NextRecordCommand(std::int32_t, char**, void* userValue) {
  db::Database& database = Target(userValue).database;
  if (!database.MoveNext() || database.IsEof()) return;
  database.ShowRecord();
}

void DemoCommand(std::int32_t, char**, void* userValue) { PrintDemonstration(Console(userValue)); }

void DatabasesCommand(std::int32_t, char**, void* userValue) { Target(userValue).database.ListDatabases(); }

void CountCommand(std::int32_t, char**, void* userValue) {
  CommandTarget& target = Target(userValue);
  target.shell.Console().Print("%d record(s) in current recordset.\n", target.database.RecordCount());
}

// Blank in black on black; the text that follows keeps its own colours.
void ClearScreenCommand(std::int32_t, char**, void* userValue) {
  console::ColorConsole& console = Console(userValue);
  console.ClearScreen(0);
  console.MoveCursor(0, 0);
}

void AboutCommand(std::int32_t, char**, void* userValue) { PrintMakersNotice(Console(userValue)); }

// Registration order; the help listing sorts by name. The texts of Open and SQL go on over the
// next lines while the quotation mark they start with is open.
constexpr shell::CommandRow kCommands[] = {
    {11, "Open", "Open database by connection string", OpenCommand, true},
    {12, "Close", "Close database", CloseCommand},
    {13, "Ver", "Get MDAC Version", VersionCommand},
    {14, "SQL", "Execute a SQL command", SqlCommand, true},
    {15, "Table", "Show all tables in current db", TableCommand},
    {16, "Record", "Display current record in current recordset", FirstRecordCommand},
    {17, "t", "Move to next record and display it", NextRecordCommand},
    {18, "Demo", "Demo how to use this tools", DemoCommand},
    {19, "DB", "List databases", DatabasesCommand},
    {20, "Count", "Get records count in current recordset", CountCommand},
    {21, "CLS", "Clear screen", ClearScreenCommand},
    {22, "About", "Copy right infomation", AboutCommand},
    // The shell's quit id: they end the program as Q does.
    {1, "Exit", "Quit", shell::CommandShell::QuitHandler},
    {1, "Quit", "Quit", shell::CommandShell::QuitHandler},
};

}  // namespace

void RegisterCommands(CommandTarget& target) { target.shell.AddCommands(kCommands, &target); }

}  // namespace ql::app
