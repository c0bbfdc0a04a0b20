#include "tests/db/session.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "db/code_meaning.h"

namespace ql::dbtest {

Session::Session(access::ObjectFactory& objects, bool colour) : database(objects), captured_(colour) {
  database.UseConsole(captured_.Console());
}

std::string Session::Output() { return captured_.TakeOutput(); }

std::string Session::Notes() { return std::exchange(captured_.Script().notes, std::string()); }

std::string Session::Run(std::string_view script) {
  while (!script.empty()) {
    const std::size_t end = script.find('\n');
    std::string_view line = script.substr(0, end);
    script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
    const std::size_t blank = line.find(' ');
    const std::string_view verb = line.substr(0, blank);
    const std::string argument(blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1));
    if (verb.empty()) continue;
    database.BeginCommand();
    if (verb == "open" || verb == "memory") {
      database.Open(verb == "memory" ? "Data Source=:memory:" : argument.c_str());
    } else if (verb == "sql") {
      database.ExecuteSql(argument.c_str());
    } else if (verb == "close") {
      database.Close();
    } else if (verb == "record") {
      database.ShowFirstRecord();
    } else if (verb == "t") {
      database.ShowNextRecord();
    } else if (verb == "count") {
      database.ShowRecordCount();
    } else if (verb == "table") {
      database.ListTables();
    } else if (verb == "db") {
      database.ListDatabases();
    } else if (verb == "rows") {
      database.ShowRows(argument.empty()    ? std::optional<std::int64_t>(database.DefaultRowCount())
                        : argument == "all" ? std::nullopt
                                            : std::optional<std::int64_t>(std::stoll(argument)));
    } else if (verb == "columns") {
      database.ListColumns(argument.c_str());
    } else if (verb == "more") {
      database.OpenNextResult();
    } else if (verb == "info") {
      database.ShowConnectionFacts();
    } else {
      throw std::invalid_argument("unknown verb in test script: " + std::string(verb));
    }
    database.FinishCommand();
  }
  return Output();
}

std::string LayerReport(int lineTag, access::ResultCode result, const std::string& object) {
  char code[16];
  std::snprintf(code, sizeof code, "%08x", static_cast<unsigned>(result));
  return Report(lineTag, code, db::CodeMeaning(result), object, std::string(access::DescribeResult(result)));
}

std::string Record(std::string_view name, std::string_view value) {
  std::string line(name);
  if (line.size() < 16) line.append(16 - line.size(), ' ');
  return line.append(value).append("\n").append(kSeparator).append("\n");
}

}  // namespace ql::dbtest
