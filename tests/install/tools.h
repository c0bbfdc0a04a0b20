#pragma once
// The system's tools the install tests run (cmake, cpack, dpkg-deb, groff, ...), found on PATH.

#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/under_ci.h"

namespace ql::installtest {

// The full path of `name` on PATH, or empty when it is not installed.
std::string FindTool(const std::string& name);

// Runs `command` (its first word found on PATH, or a full path) in `directory` (empty: the
// test's own) with nothing on standard input; fails the current test when it cannot be found.
testsupport::ProgramRun RunTool(const std::vector<std::string>& command, const std::string& directory = {},
                                int timeoutSeconds = 120);

// The names of those of `tools` that are not installed, separated by blanks; empty when all are.
std::string MissingTools(const std::vector<std::string>& tools);

using testsupport::UnderCi;

}  // namespace ql::installtest

// Skips the current test when one of the tools is missing; under CI fails it instead.
#define QL_REQUIRE_TOOLS(...)                                                                   \
  if (const std::string missing = installtest::MissingTools({__VA_ARGS__}); !missing.empty()) { \
    if (installtest::UnderCi()) FAIL() << "not installed under CI: " << missing;                \
    GTEST_SKIP() << "not installed: " << missing;                                               \
  }
