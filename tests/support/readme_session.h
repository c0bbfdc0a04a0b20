#pragma once
// The README's first session, which a newcomer replays: what to type, and what a pipe then shows.

#include <string>

namespace ql::testsupport {

struct ReadmeSession {
  std::string script;    // the typed lines, each ending in "\n"
  std::string expected;  // the output on a pipe: the prompt "-" stands in for each typed line
};

// Read from the source tree's README.md. Fails the current test (and returns an empty script) when
// the README has no such session.
ReadmeSession ReadmeFirstSession();

}  // namespace ql::testsupport
