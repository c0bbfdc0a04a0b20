// The candidates for Tab at the prompt.

#include "app/completion.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "access/ascii.h"

namespace ql::app {
namespace {

// Offered after SQL, in the case of the word typed.
constexpr std::string_view kKeywords[] = {
    "ADD",    "ALL",     "ALTER",   "AND",       "AS",         "ASC",    "AVG",         "BEGIN",  "BETWEEN",
    "BY",     "CASE",    "CAST",    "CHECK",     "COLUMN",     "COMMIT", "CONSTRAINT",  "COUNT",  "CREATE",
    "CROSS",  "DEFAULT", "DELETE",  "DESC",      "DISTINCT",   "DROP",   "ELSE",        "END",    "EXCEPT",
    "EXISTS", "EXPLAIN", "FALSE",   "FOREIGN",   "FROM",       "FULL",   "GROUP",       "HAVING", "IN",
    "INDEX",  "INNER",   "INSERT",  "INTERSECT", "INTO",       "IS",     "JOIN",        "KEY",    "LEFT",
    "LIKE",   "LIMIT",   "MAX",     "MIN",       "NOT",        "NULL",   "OFFSET",      "ON",     "OR",
    "ORDER",  "OUTER",   "PRIMARY", "RECURSIVE", "REFERENCES", "RENAME", "RETURNING",   "RIGHT",  "ROLLBACK",
    "SELECT", "SET",     "SUM",     "TABLE",     "THEN",       "TO",     "TRANSACTION", "TRUE",   "UNION",
    "UNIQUE", "UPDATE",  "USING",   "VALUES",    "VIEW",       "WHEN",   "WHERE",       "WITH",
};

// After these only a table's name makes sense.
constexpr std::string_view kBeforeTable[] = {"FROM", "JOIN", "INTO", "UPDATE", "TABLE"};

// The most tables of one statement whose columns are offered.
constexpr std::size_t kNamedTables = 4;

using access::AsciiLower;
using access::AsciiUpper;
using access::EqualsIgnoringCase;
using access::IsOneOfIgnoringCase;
using access::StartsWithIgnoringCase;

// A command word or keyword in the case of the word typed: lower case when it holds a lower-case
// letter, upper case when it holds only upper-case ones, `otherwise` when it holds no letter.
std::string InTypedCase(std::string_view text, std::string_view typed, bool otherwiseLower) {
  const bool anyLower = std::any_of(typed.begin(), typed.end(), [](char ch) { return ch >= 'a' && ch <= 'z'; });
  const bool anyUpper = std::any_of(typed.begin(), typed.end(), [](char ch) { return ch >= 'A' && ch <= 'Z'; });
  const bool lower = anyLower || (!anyUpper && otherwiseLower);
  std::string result(text);
  for (char& ch : result) ch = lower ? AsciiLower(ch) : AsciiUpper(ch);
  return result;
}

// A name that stands in a statement as it is, without quotation marks.
bool IsPlainName(std::string_view name) {
  return !name.empty() && !(name.front() >= '0' && name.front() <= '9') &&
         std::all_of(name.begin(), name.end(), console::IsWordByte);
}

// The words of a statement's text (runs of word bytes), outside its string literals.
struct Words {
  std::vector<std::string_view> words;
  bool endsInLiteral = false;
};

Words SplitWords(std::string_view text) {
  Words result;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\'') {
      const std::size_t close = text.find('\'', i + 1);
      if (close == std::string_view::npos) {
        result.endsInLiteral = true;
        break;
      }
      i = close + 1;  // a doubled quote inside reads as two literals in a row
      continue;
    }
    if (!console::IsWordByte(text[i])) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < text.size() && console::IsWordByte(text[i])) ++i;
    result.words.push_back(text.substr(start, i - start));
  }
  return result;
}

void AddMatching(const std::vector<std::string>& names, std::string_view word, std::vector<std::string>& out) {
  for (const std::string& name : names) {
    if (IsPlainName(name) && StartsWithIgnoringCase(name, word)) out.push_back(name);
  }
}

// The table that `qualifier` stands for: a table of that name, or one the statement gives it as an
// alias ("Account a", "Account AS a").
std::optional<std::string> QualifiedTable(std::string_view qualifier, const std::vector<std::string>& tables,
                                          const std::vector<std::string_view>& words) {
  const auto table = [&](std::string_view name) -> std::optional<std::string> {
    for (const std::string& each : tables) {
      if (EqualsIgnoringCase(each, name)) return each;
    }
    return std::nullopt;
  };
  if (auto named = table(qualifier)) return named;
  for (std::size_t i = 0; i + 1 < words.size(); ++i) {
    const bool alias =
        EqualsIgnoringCase(words[i + 1], qualifier) ||
        (i + 2 < words.size() && EqualsIgnoringCase(words[i + 1], "AS") && EqualsIgnoringCase(words[i + 2], qualifier));
    if (!alias) continue;
    if (auto named = table(words[i])) return named;
  }
  return std::nullopt;
}

std::vector<std::string> StatementCandidates(std::string_view statement, std::string_view word, std::string_view after,
                                             const CompletionNames& names) {
  std::vector<std::string> out;
  const Words before = SplitWords(statement);
  if (before.endsInLiteral) return out;
  const std::string whole = std::string(statement) + std::string(word) + std::string(after);
  const std::vector<std::string_view> words = SplitWords(whole).words;
  if (!statement.empty() && statement.back() == '.') {
    const std::string_view qualifier = console::CompletedWord(statement.substr(0, statement.size() - 1));
    if (qualifier.empty()) return out;
    const std::vector<std::string> tables = names.tables();
    if (const auto table = QualifiedTable(qualifier, tables, words)) AddMatching(names.columns(*table), word, out);
    return out;
  }
  const std::vector<std::string> tables = names.tables();
  if (!before.words.empty() && IsOneOfIgnoringCase(before.words.back(), kBeforeTable)) {
    AddMatching(tables, word, out);
    return out;
  }
  for (const std::string_view keyword : kKeywords) {
    if (StartsWithIgnoringCase(keyword, word)) out.push_back(InTypedCase(keyword, word, false));
  }
  AddMatching(tables, word, out);
  std::vector<std::string> named;
  for (const std::string& table : tables) {
    if (named.size() == kNamedTables) break;
    const auto namesTable = [&](std::string_view each) { return EqualsIgnoringCase(each, table); };
    if (std::any_of(words.begin(), words.end(), namesTable)) named.push_back(table);
  }
  for (const std::string& table : named) AddMatching(names.columns(table), word, out);
  return out;
}

}  // namespace

std::vector<std::string> CompletionCandidates(const console::CompletionRequest& request, const CompletionNames& names) {
  const std::string_view before = request.before;
  const std::string_view word = request.word;
  const std::size_t wordStart = before.size() - word.size();
  const std::size_t first = before.find_first_not_of(" \t\r\n");
  std::vector<std::string> out;
  if (first == std::string_view::npos || first >= wordStart) {
    for (const std::string& command : names.commands) {
      if (StartsWithIgnoringCase(command, word)) out.push_back(InTypedCase(command, word, true));
    }
    return out;
  }
  std::size_t commandEnd = first;
  while (commandEnd < wordStart && console::IsWordByte(before[commandEnd])) ++commandEnd;
  const std::string_view command = before.substr(first, commandEnd - first);
  std::string_view argument = before.substr(commandEnd, wordStart - commandEnd);
  // The blanks after the command word and a quotation mark around the whole text are not the
  // statement's.
  const std::size_t text = argument.find_first_not_of(" \t");
  argument.remove_prefix(text == std::string_view::npos ? argument.size() : text);
  if (!argument.empty() && (argument.front() == '"' || argument.front() == '\'')) argument.remove_prefix(1);
  if (EqualsIgnoringCase(command, "COLUMNS")) {
    if (argument.empty()) AddMatching(names.tables(), word, out);
  } else if (EqualsIgnoringCase(command, "SQL")) {
    out = StatementCandidates(argument, word, request.after, names);
  }
  std::vector<std::string> unique;
  for (std::string& candidate : out) {
    if (std::find(unique.begin(), unique.end(), candidate) == unique.end()) unique.push_back(std::move(candidate));
  }
  return unique;
}

}  // namespace ql::app
