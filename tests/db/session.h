#pragma once
// A Database printing to captured output, driven the way the program's commands drive it.

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "db/database.h"
#include "support/captured_console.h"
#include "support/transcript.h"
#include "tests/db/faulty_objects.h"

namespace ql::dbtest {

class Session {
 public:
  // `colour`: the output is a colour terminal rather than a pipe.
  explicit Session(access::ObjectFactory& objects, bool colour = false);

  // Runs one command a line and returns what they printed: "open TEXT", "sql TEXT", "close",
  // "record", "t", "count", "table", "db", "rows [N|all]", "columns TABLE", "more", "info"; each
  // between BeginCommand and FinishCommand. "memory" opens an SQLite database in memory.
  std::string Run(std::string_view script);
  // What was printed since the last Run or Output.
  std::string Output();
  // What went to the notes' stream (the output being a pipe) since the last call.
  std::string Notes();
  testsupport::TerminalScript& Script() { return captured_.Script(); }

  db::Database database;

 private:
  testsupport::CapturedConsole captured_;
};

using testsupport::Report;

// The report of a failure the layer raised itself, in its own words for `result`.
std::string LayerReport(int lineTag, access::ResultCode result, const std::string& object);

// A record of `name` and `value` as the record display shows it, separator included.
std::string Record(std::string_view name, std::string_view value);

inline const std::string kSeparator(79, '-');

// A test on a session over the layer's objects with faults planted in them. `planned` is a failure
// to plant; PlannedReport is its report.
class SessionTest : public ::testing::Test {
 protected:
  static std::string PlannedReport(int lineTag) {
    return Report(lineTag, "80004005", "Unspecified failure.", "Fake", "planned");
  }

  FaultyObjects objects;
  Session session{objects};
  const access::DataAccessError planned{access::kProviderFailed, "Fake", "planned"};
};

}  // namespace ql::dbtest
