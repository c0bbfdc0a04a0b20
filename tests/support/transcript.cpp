#include "support/transcript.h"

#include <gtest/gtest.h>

namespace ql {

namespace testsupport {

std::string Transcript(const ProgramRun& run) {
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.errors, "");
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
