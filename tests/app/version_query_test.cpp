// The Ver command's four messages, for each thing the version source can do.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "app/version_query.h"
#include "support/captured_console.h"

namespace ql {

namespace {

TEST(VersionQueryTest, MessageFollowsWhatTheSourceGives) {
  struct Case {
    const char* what;
    app::VersionSource source;
    std::string printed;
  };
  const Case cases[] = {
      {"a version", [] { return std::string("2.1 (SQLite 3.40.1)"); }, "MDAC Version: 2.1 (SQLite 3.40.1)\n"},
      {"63 bytes fill the buffer", [] { return std::string(63, 'v'); }, "MDAC Version: " + std::string(63, 'v') + "\n"},
      {"64 bytes leave no room for the end", [] { return std::string(64, 'v'); }, "MDAC Version not found.\n"},
      {"empty", [] { return std::string(); }, "MDAC Version not found.\n"},
      {"not a text", [] { return std::string("1.0\0x", 5); }, "MDAC Version not found.\n"},
      {"refused", []() -> std::string { throw std::system_error(EACCES, std::generic_category()); }, "ACCESS DENIED\n"},
      {"unreadable", []() -> std::string { throw std::system_error(ENOENT, std::generic_category()); },
       "Open reg error.\n"},
  };
  for (const Case& c : cases) {
    testsupport::CapturedConsole captured;
    app::PrintComponentVersion(captured.Console(), c.source);
    EXPECT_EQ(captured.Output(), c.printed) << c.what;
  }
}

}  // namespace

}  // namespace ql
