#include "tests/db/session.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace ql {

namespace dbtest {

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
    if (verb == "open") {
      database.Open(argument.c_str());
    } else if (verb == "sql") {
      database.ExecuteSql(argument.c_str());
    } else if (verb == "close") {
      database.Close();
    } else if (verb == "record") {
      if (database.MoveFirst() && !database.IsEof()) database.ShowRecord();
    } else if (verb == "t") {
      if (database.MoveNext() && !database.IsEof()) database.ShowRecord();
    } else if (verb == "count") {
      const std::int32_t count = database.RecordCount();
      captured_.Console().Print("%d record(s) in current recordset.\n", count);
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

}  // namespace dbtest

}  // namespace ql
