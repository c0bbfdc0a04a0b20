// The history file: entries read back as they were written, and only its owner may read it.

#include "console/terminal/history_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/temporary_directory.h"

namespace ql {

namespace {

using console::HistoryFile;

TEST(HistoryFileTest, EntriesReadBackAsTheyWereWritten) {
  testsupport::TemporaryDirectory directory;
  const std::string path = directory.File("history");
  const std::vector<std::string> entries = {
      "sql \"select *\nfrom t\"", "a \\n is not a line end", "cr\r", std::string("nul\0in it", 9), "\\", "plain",
  };
  std::string why;
  {
    const auto file = HistoryFile::Open(path, why);
    ASSERT_NE(file, nullptr) << why;
    for (const std::string& entry : entries) EXPECT_TRUE(file->Append(entry));
    // Its line could not be read back.
    EXPECT_FALSE(file->Append(std::string(HistoryFile::kLongestLine - 1, 'y') + "\n"));
  }
  // A line too long to keep, then one more entry from another program.
  std::ofstream(path, std::ios::app) << std::string(HistoryFile::kLongestLine + 1, 'x') << "\nlast\n";
  const auto file = HistoryFile::Open(path, why);
  ASSERT_NE(file, nullptr) << why;
  std::vector<std::string> expected = entries;
  expected.push_back("last");
  EXPECT_EQ(file->ReadEntries(100), expected);
  EXPECT_EQ(file->ReadEntries(2), (std::vector<std::string>{"plain", "last"}));
}

TEST(HistoryFileTest, OnlyItsOwnerMayReadOrWriteIt) {
  struct Case {
    int before;  // -1: no file yet
    int after;
  };
  // Narrowed, never widened.
  const Case cases[] = {{-1, 0600}, {0644, 0600}, {0660, 0600}, {0600, 0600}, {0700, 0700}};
  for (const Case& c : cases) {
    testsupport::TemporaryDirectory directory;
    const std::string path = directory.File("history");
    if (c.before >= 0) {
      std::ofstream(path) << "h\n";
      ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(c.before)), 0);
    }
    const mode_t mask = ::umask(0);  // the mode asked for, not narrowed by the test's umask
    std::string why;
    const auto file = HistoryFile::Open(path, why);
    ::umask(mask);
    ASSERT_NE(file, nullptr) << why;
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, static_cast<mode_t>(c.after)) << std::oct << c.before;
  }
  testsupport::TemporaryDirectory directory;
  std::string why;
  EXPECT_EQ(HistoryFile::Open(directory.Path().string(), why), nullptr);
  EXPECT_EQ(why, "Is a directory");
}

}  // namespace

}  // namespace ql
