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

// The commands are plain functions registered without a user value, so they reach the shell and
// the database through these, set once by RegisterCommands.
console::ConsoleShell* boundShell = nullptr;
db::Database* boundDatabase = nullptr;

console::ColorConsole& Console() { return boundShell->Console(); }

// A NUL would end the text for every provider, which would then run only its first part (a
// WHERE clause losing its second condition), so such a text goes nowhere.
bool RefuseNul(const char* refusal, std::string_view text) {
  if (text.find('\0') == std::string_view::npos) return false;
  Console().Print("%s: the text holds a NUL byte.\n", refusal);
  return true;
}

// Both hand the text after the command word to the database as it was typed (see ArgumentText).
void OpenCommand(std::int32_t tokenCount, char**, void*) {
  if (tokenCount < 2) {
    Console().Print("OPEN connection string\n");
    return;
  }
  const std::string_view text = boundShell->ArgumentText();
  if (RefuseNul("Connection string not used", text)) return;
  boundDatabase->Open(std::string(text).c_str());
}

void SqlCommand(std::int32_t tokenCount, char**, void*) {
  if (tokenCount < 2) {
    Console().Print("SQL sql command\n");
    return;
  }
  const std::string_view text = boundShell->ArgumentText();
  if (RefuseNul("Statement not run", text)) return;
  boundDatabase->ExecuteSql(std::string(text).c_str());
}

void CloseCommand(std::int32_t, char**, void*) { boundDatabase->Close(); }

void VersionCommand(std::int32_t, char**, void*) { PrintComponentVersion(Console()); }

void TableCommand(std::int32_t, char**, void*) { boundDatabase->ListTables(); }

// Record and t print nothing of their own: the database reports a missing recordset or a refused
// move, and past the last row nothing is shown at all.
void FirstRecordCommand(std::int32_t, char**, void*) {
  if (!boundDatabase->MoveFirst() || boundDatabase->IsEof()) return;
  boundDatabase->ShowRecord();
}

void NextRecordCommand(std::int32_t, char**, void*) {
  if (!boundDatabase->MoveNext() || boundDatabase->IsEof()) return;
  boundDatabase->ShowRecord();
}

void DemoCommand(std::int32_t, char**, void*) { PrintDemonstration(Console()); }

void DatabasesCommand(std::int32_t, char**, void*) { boundDatabase->ListDatabases(); }

void CountCommand(std::int32_t, char**, void*) {
  Console().Print("%d record(s) in current recordset.\n", boundDatabase->RecordCount());
}

// Blank in black on black; the text that follows keeps its own colours.
void ClearScreenCommand(std::int32_t, char**, void*) {
  Console().ClearScreen(0);
  Console().MoveCursor(0, 0);
}

void AboutCommand(std::int32_t, char**, void*) { PrintMakersNotice(Console()); }

// Registration order; the help listing sorts by name.
constexpr shell::CommandRow kCommands[] = {
    {11, "Open", "Open database by connection string", OpenCommand},
    {12, "Close", "Close database", CloseCommand},
    {13, "Ver", "Get MDAC Version", VersionCommand},
    {14, "SQL", "Execute a SQL command", SqlCommand},
    {15, "Table", "Show all tables in current db", TableCommand},
    {16, "Record", "Display current record in current recordset", FirstRecordCommand},
    {17, "t", "Move to next record and display it", NextRecordCommand},
    {18, "Demo", "Demo how to use this tools", DemoCommand},
    {19, "DB", "List databases", DatabasesCommand},
    {20, "Count", "Get records count in current recordset", CountCommand},
    {21, "CLS", "Clear screen", ClearScreenCommand},
    {22, "About", "Copy right infomation", AboutCommand},
};

}  // namespace

void RegisterCommands(console::ConsoleShell& shell, db::Database& database) {
  boundShell = &shell;
  boundDatabase = &database;
  shell.AddCommands(kCommands, nullptr);
}

}  // namespace ql::app
