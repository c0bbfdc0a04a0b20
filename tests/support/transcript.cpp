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

}  // namespace testsupport

}  // namespace ql
