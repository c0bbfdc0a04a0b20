#pragma once
// What Tab offers at the prompt: the command word first on the line; after SQL, keywords and the
// names of the open connection's tables and views, the columns of the tables the statement names,
// and after "table." (or an alias and ".") that table's columns; after COLUMNS, table names.

#include <functional>
#include <string>
#include <vector>

#include "console/terminal/completion.h"

namespace ql::app {

// Where the names come from.
struct CompletionNames {
  std::vector<std::string> commands;  // as the shell registered them (upper case)
  std::function<std::vector<std::string>()> tables;
  std::function<std::vector<std::string>(const std::string& table)> columns;  // `table` as `tables` spells it
};

// The candidates for `request.word`, each starting with it (ASCII case aside). Keywords and command
// words follow the case of the word typed; names are spelled as the catalogs spell them, and a name
// that would need quotation marks is left out.
std::vector<std::string> CompletionCandidates(const console::CompletionRequest& request, const CompletionNames& names);

}  // namespace ql::app
