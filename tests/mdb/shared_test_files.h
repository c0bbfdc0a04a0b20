#pragma once
// The Access files beside the repository (../shared/testdata). They are not part of it: a test that
// needs them is skipped with a message when they are absent, except in CI, where it fails.

#include <gtest/gtest.h>

#include <string>

#include "support/under_ci.h"

namespace ql::mdbtest {

// The file's path; empty when it is absent.
std::string SharedTestFile(const std::string& name);

// A digest of the file's bytes, to show that a session left it as it was.
std::string FileDigest(const std::string& path);

}  // namespace ql::mdbtest

// Sets `path` to the shared file `name`, or ends the test: skipped outside CI, failed in it.
#define MDB_REQUIRE_FILE(path, name)                                                      \
  const std::string path = mdbtest::SharedTestFile(name);                                 \
  if (path.empty()) {                                                                     \
    if (ql::testsupport::UnderCi()) FAIL() << name << " is missing from shared/testdata"; \
    GTEST_SKIP() << name << " is not in ../shared/testdata beside the repository";        \
  }
