#pragma once
// What the pipe and terminal runners share: the child's environment, and watching a started
// child until it ends. Used by run_program.cpp, run_in_terminal.cpp and terminal_session.cpp, and
// by tests that talk to the program in turns (StartProgram, then Supervise for the last turn).

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/program_run.h"

namespace ql::testsupport {

// "NAME=value" entries: the test's environment with `options.environment` applied.
std::vector<std::string> ChildEnvironment(const ProgramOptions& options);

// argv or envp for exec: pointers into `texts`, then a null pointer.
std::vector<char*> ExecArray(std::vector<std::string>& texts);

struct ChildChannels {
  int input = -1;          // where the script goes
  bool closeInput = true;  // close it once the script is written (a pipe); a terminal stays open
  int output = -1;         // read until the child closes it
  int errors = -1;         // likewise, or -1
};

// Writes `script`, collects the output, then waits for `pid` to end. When the time or the output
// limit runs out the child is killed and the current test fails with what came so far. Closes
// every descriptor in `channels`.
ProgramRun Supervise(pid_t pid, std::string_view script, ChildChannels channels, const ProgramOptions& options);

struct StartedProgram {
  pid_t pid = -1;
  ChildChannels channels;  // the test's ends of the three pipes
};

// Starts the program on a new 80-by-24 pseudo-terminal, its controlling terminal, with TERM and
// NO_COLOR as RunInTerminal sets them; the test's end of the terminal goes to `controller`.
// `bareModes`: no echo and no output translation, so the output is exactly what the program wrote.
// Fails the current test and returns -1 when it cannot be started.
pid_t StartOnTerminal(const ProgramOptions& options, bool bareModes, int& controller);

// Starts the program as RunProgram does, its standard streams on pipes; nothing is written yet.
// Fails the current test and returns nothing when it cannot be started.
std::optional<StartedProgram> StartProgram(const ProgramOptions& options);

}  // namespace ql::testsupport
