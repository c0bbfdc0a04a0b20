// The shared fixtures that run programs: they must report what happened and never hang.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/run_in_terminal.h"
#include "support/run_program.h"
#include "support/temporary_directory.h"
#include "support/transcript.h"

namespace ql {

namespace {

using testsupport::ProgramOptions;
using testsupport::ProgramRun;
using testsupport::RunInTerminal;
using testsupport::RunProgram;

ProgramOptions Shell(const std::string& command) {
  ProgramOptions options;
  options.program = "/bin/sh";
  options.arguments = {"-c", command};
  return options;
}

TEST(FixturesTest, PipesCarryOutputErrorsAndExitCode) {
  const ProgramRun run = RunProgram("", Shell("echo out; echo err >&2; exit 3"));
  EXPECT_EQ(run.output, "out\n");
  EXPECT_EQ(run.errors, "err\n");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.signal, 0);
}

// Far more than a pipe holds, in both directions at once, without a deadlock.
TEST(FixturesTest, LargeScriptsPassThroughWhole) {
  std::string script;
  for (int i = 0; i < 200000; ++i) script += "line " + std::to_string(i) + "\n";
  const ProgramRun run = RunProgram(script, Shell("cat"));
  EXPECT_EQ(run.output, script);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(FixturesTest, EnvironmentIsSetAndRemoved) {
  ::setenv("QL_FIXTURE_REMOVED", "present", 1);
  ProgramOptions options = Shell(R"(echo "$QL_FIXTURE_SET|${QL_FIXTURE_REMOVED-gone}")");
  options.environment["QL_FIXTURE_SET"] = "value";
  options.environment["QL_FIXTURE_REMOVED"] = std::nullopt;
  EXPECT_EQ(RunProgram("", options).output, "value|gone\n");
  ::unsetenv("QL_FIXTURE_REMOVED");
}

TEST(FixturesTest, RunsInTheGivenDirectory) {
  const testsupport::TemporaryDirectory directory;
  ProgramOptions options = Shell("pwd -P");
  options.workingDirectory = directory.Path().string();
  const std::string expected = std::filesystem::canonical(directory.Path()).string() + "\n";
  EXPECT_EQ(RunProgram("", options).output, expected);
  EXPECT_EQ(RunInTerminal("", options).output, expected);
}

TEST(FixturesTest, ProgramThatQuitsBeforeReadingItsScriptIsFine) {
  const ProgramRun run = RunProgram(std::string(1 << 20, 'x'), Shell("exit 0"));
  EXPECT_EQ(run.exitCode, 0);
}

// What a transcript lets through on standard error: whole lines of notes, a message's own lines
// after it, and nothing else.
TEST(FixturesTest, StandardErrorMayHoldOnlyNotes) {
  const struct {
    std::string errors;
    bool onlyNotes;
  } cases[] = {
      {"", true},
      {"3 record(s) affected.\nTime: 0.125 ms\n2 more result(s) waiting: More shows the next.\n", true},
      {"NOTICE: drop cascades to 2 other objects\nDETAIL: drop cascades to table a\ndrop cascades to table b\n"
       "1 record(s) affected.\n",
       true},
      {"1 record(s) affected.\nsomething else\n", false},
      {"stray\n", false},
      {"Time: 1.5 ms\n", false},
      {"1 record(s) affected.", false},  // a line without its end
      {"The connection was lost and has been opened again to db2, port 5433: the command that failed was not run "
       "again, and a transaction that was open is lost.\nThe connection was lost and could not be opened again; "
       "open one to go on.\n",
       true},
      {"The connection was lost and has been opened again, somehow\n", false},
  };
  for (const auto& c : cases) EXPECT_EQ(testsupport::OnlyNotes(c.errors), c.onlyNotes) << c.errors;
  EXPECT_EQ(testsupport::WithTimesAsWords("Time: 0.125 ms\nTime: 1.5 ms\nNOTICE: Time: 2.000 ms\nTime: 12.000 ms"),
            "Time\nTime: 1.5 ms\nNOTICE: Time: 2.000 ms\nTime");
}

TEST(FixturesTest, TerminalIsATerminalAndTypesLineByLine) {
  const ProgramRun run =
      RunInTerminal("one\ntwo\n", Shell(R"(test -t 0 && test -t 1 && echo "tty $TERM"; read a; read b; )"
                                        R"(echo "[$a][$b]"; read c || echo end)"));
  EXPECT_EQ(run.output, "tty xterm-256color\n[one][two]\nend\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(FixturesTest, HangingProgramIsKilledAndFailsTheTest) {
  ProgramOptions options;
  options.program = "/bin/sleep";
  options.arguments = {"600"};
  options.timeoutSeconds = 1;
  ProgramRun run;
  EXPECT_NONFATAL_FAILURE(run = RunProgram("", options), "did not finish within 1 s");
  EXPECT_TRUE(run.timedOut);
  EXPECT_EQ(run.signal, SIGKILL);
  EXPECT_NONFATAL_FAILURE(run = RunInTerminal("", options), "did not finish within 1 s");
  EXPECT_TRUE(run.timedOut);
}

TEST(FixturesTest, EndlessOutputIsCutOff) {
  ProgramOptions options;
  options.program = "/usr/bin/yes";
  options.outputLimit = 1 << 20;
  ProgramRun run;
  EXPECT_NONFATAL_FAILURE(run = RunProgram("", options), "bytes of output; killed");
  EXPECT_EQ(run.signal, SIGKILL);
  EXPECT_LT(run.output.size(), std::size_t{4} << 20);
}

TEST(FixturesTest, MissingProgramFailsClearly) {
  ProgramOptions options;
  options.program = "/nonexistent/queryloom";
  EXPECT_NONFATAL_FAILURE(RunProgram("", options), "cannot start /nonexistent/queryloom");
  ProgramRun run;
  run = RunInTerminal("", options);
  EXPECT_EQ(run.exitCode, 127);
  EXPECT_EQ(run.output, "cannot run the program\n");
}

}  // namespace

}  // namespace ql
