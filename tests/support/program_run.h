#pragma once
// What a test asks of one run of a program, and what comes back.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ql::testsupport {

struct ProgramOptions {
  std::string program = QL_BINARY;
  std::vector<std::string> arguments;
  // Set (or, without a value, removed) on top of the test's own environment.
  std::map<std::string, std::optional<std::string>> environment;
  std::string workingDirectory;  // empty: the test's own
  // Past this the program is killed and the test fails: a hang never stalls the suite.
  int timeoutSeconds = 60;
  // More output than this kills the program and fails the test.
  std::size_t outputLimit = std::size_t{64} << 20;
  // The size of the pseudo-terminal a program runs on (RunInTerminal, TerminalSession).
  unsigned short terminalColumns = 80;
  unsigned short terminalRows = 24;
};

struct ProgramRun {
  std::string output;  // standard output, byte for byte
  std::string errors;  // standard error (in a terminal it is part of `output`)
  int exitCode = -1;   // -1 when the program did not exit by itself
  int signal = 0;      // the signal that ended it, or 0
  bool timedOut = false;
  long peakKilobytes = 0;  // the most memory the program held at once (its peak resident set)
};

}  // namespace ql::testsupport
