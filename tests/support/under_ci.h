#pragma once
// Whether the tests run under continuous integration (CI=true), where a test that lacks what it
// needs (a server, a tool, a shared file, root) fails instead of being skipped.

#include <cstdlib>
#include <string_view>

namespace ql::testsupport {

inline bool UnderCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string_view(ci) == "true";
}

}  // namespace ql::testsupport
