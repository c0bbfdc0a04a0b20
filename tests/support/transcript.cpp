#include "support/transcript.h"

#include <gtest/gtest.h>

#include <regex>

namespace ql {

namespace testsupport {

namespace {

// The lines a note can start with: a count of rows changed, the results still waiting, a command's
// time, a database's message under its level. A message's text may hold line ends of its own
// (PostgreSQL's DETAIL and its lines); the lines after it up to the next note are its own.
const std::regex kNote(
    "[0-9]+ record\\(s\\) affected\\.|[0-9]+ more result\\(s\\) waiting: More shows the next\\."
    "|Time: [0-9]+\\.[0-9]{3} ms");
const std::regex kMessage("[A-Z]+: .*");

}  // namespace

bool OnlyNotes(const std::string& errors) {
  bool inMessage = false;
  std::size_t start = 0;
  while (start < errors.size()) {
    const std::size_t end = errors.find('\n', start);
    if (end == std::string::npos) return false;
    const auto first = errors.begin() + static_cast<long>(start);
    const auto last = errors.begin() + static_cast<long>(end);
    if (std::regex_match(first, last, kMessage)) {
      inMessage = true;
    } else if (std::regex_match(first, last, kNote)) {
      inMessage = false;
    } else if (!inMessage) {
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
