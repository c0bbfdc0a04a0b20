#include "support/transcript.h"

#include <gtest/gtest.h>

#include <regex>

namespace ql {

namespace testsupport {

namespace {

// The lines a note can be: a count of rows changed, a database's message under its level, the
// results still waiting, a command's time.
const std::regex kNote(
    "[0-9]+ record\\(s\\) affected\\.|[A-Z]+: .*|[0-9]+ more result\\(s\\) waiting: More shows the next\\."
    "|Time: [0-9]+\\.[0-9]{3} ms");

}  // namespace

bool OnlyNotes(const std::string& errors) {
  std::size_t start = 0;
  while (start < errors.size()) {
    const std::size_t end = errors.find('\n', start);
    if (end == std::string::npos || !std::regex_match(errors.begin() + static_cast<long>(start),
                                                      errors.begin() + static_cast<long>(end), kNote)) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

std::string Transcript(const ProgramRun& run) {
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(OnlyNotes(run.errors)) << run.errors;
  if (!run.output.ends_with(kClosingLines)) {
    ADD_FAILURE() << "no closing lines after:\n" << run.output;
    return run.output;
  }
  return run.output.substr(0, run.output.size() - kClosingLines.size());
}

std::string Report(int lineTag, const std::string& code, const std::string& meaning, const std::string& source,
                   const std::string& description) {
  const std::string frame = "--------------- Error @" + std::to_string(lineTag) + " ---------------\n";
  return frame + "> Code = " + code + "\n> Code meaning = " + meaning + "\n> Source = " + source +
         "\n> Description = " + description + "\n" + frame;
}

}  // namespace testsupport

}  // namespace ql
