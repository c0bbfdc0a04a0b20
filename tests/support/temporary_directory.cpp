#include "support/temporary_directory.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <system_error>

namespace ql {

namespace testsupport {

TemporaryDirectory::TemporaryDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "queryloom-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a temporary directory: " << std::strerror(errno);
    return;
  }
  path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport

}  // namespace ql
