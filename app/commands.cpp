#include "app/commands.h"

#include <cstdint>

#include "app/demonstration.h"
#include "app/notices.h"
#include "app/version_query.h"
#include "console/console_shell.h"
#include "db/database.h"

namespace app {
namespace {

// The commands are plain functions registered without a user value, so they reach the shell and
// the database through these, set once by RegisterCommands.
console::ConsoleShell* boundShell = nullptr;
db::Database* boundDatabase = nullptr;

console::ColorConsole& Console() { return boundShell->Console(); }

// Holds the arguments of one line joined with single blanks, however many tokens it had.
constexpr std::int32_t kArgumentsSize = 1024;
static_assert(kArgumentsSize >= shell::CommandShell::kTokenTextSize);

// A line that did not fit the token list or the line buffer reaches the handler cut short; a cut
// statement can still be valid and do something else than was typed (a WHERE clause losing its
// last digits), so such a line goes nowhere.
bool RefuseCutLine(const char* refusal) {
  if (!boundShell->LineCut()) return false;
  Console().Print("%s: the line is longer than 16 tokens or 319 bytes.\n", refusal);
  return true;
}

void OpenCommand(std::int32_t tokenCount, char**, void*) {
  if (tokenCount < 2) {
    Console().Print("OPEN connection string\n");
    return;
  }
  if (RefuseCutLine("Connection string not used")) return;
  char connectionString[kArgumentsSize];
  boundDatabase->Open(boundShell->JoinArguments(connectionString));
}

void SqlCommand(std::int32_t tokenCount, char**, void*) {
  if (tokenCount < 2) {
    Console().Print("SQL sql command\n");
    return;
  }
  if (RefuseCutLine("Statement not run")) return;
  char statement[kArgumentsSize];
  boundDatabase->ExecuteSql(boundShell->JoinArguments(statement));
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

struct Command {
  std::int32_t id;
  const char* name;
  const char* help;
  shell::CommandHandler handler;
};

// Registration order; the help listing sorts by name.
constexpr Command kCommands[] = {
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
  for (const Command& command : kCommands) {
    shell.AddCommand(command.id, command.name, command.help, command.handler, nullptr);
  }
}

}  // namespace app
