#pragma once
// A Database printing to captured output, driven the way the program's commands drive it.

#include <memory>
#include <string>
#include <string_view>

#include "console/color_console.h"
#include "db/database.h"

namespace dbtest {

class Session {
 public:
  explicit Session(access::ObjectFactory& objects);

  // Runs one command a line and returns what they printed: "open TEXT", "sql TEXT", "close",
  // "record" (MoveFirst, IsEof, ShowRecord), "t" (the same with MoveNext), "count", "table", "db".
  std::string Run(std::string_view script);
  // What was printed since the last Run or Output.
  std::string Output();

  db::Database database;

 private:
  std::shared_ptr<std::string> printed_ = std::make_shared<std::string>();
  console::ColorConsole console_;
};

// The seven lines of an error report.
std::string Report(int lineTag, const std::string& code, const std::string& meaning,
                   const std::string& source = "(null)", const std::string& description = "(null)");

inline const std::string kSeparator(79, '-');

}  // namespace dbtest
