#include "app/line_editing.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include "app/completion.h"
#include "app/history_privacy.h"
#include "console/color_console.h"
#include "console/terminal/line_editor.h"
#include "db/database.h"
#include "shell/command_shell.h"

namespace ql::app {

void SetUpLineEditing(const shell::CommandShell& shell, console::ColorConsole& console, db::Database& database) {
  console::LineEditor* editor = console.Editor();
  if (editor == nullptr) return;
  editor->CompleteWith(
      [&shell, &database](const console::CompletionRequest& request) {
        // One limit for every catalog read of one Tab.
        const auto until = std::chrono::steady_clock::now() + db::CatalogNames::kWaitLimit;
        const CompletionNames names{shell.CommandNames(), [&] { return database.TableNames(until); },
                                    [&](const std::string& table) { return database.ColumnNames(table, until); }};
        return CompletionCandidates(request, names);
      },
      [&database] { database.ReadNamesAhead(); });
  const char* path = std::getenv(kHistoryVariable);
  if (path == nullptr || path[0] == '\0') return;
  const std::string why = editor->KeepHistoryIn(path, &MayKeepInHistoryFile);
  if (why.empty()) return;
  console.Print("History not kept in ");
  console.PrintLiteral(path);
  console.Print(": %s.\n", why.c_str());
}

}  // namespace ql::app
