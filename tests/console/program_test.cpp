// The program itself, run the way users run it: on a pipe and on a terminal.

#include <gtest/gtest.h>

#include <string>

#include "support/run_in_terminal.h"
#include "support/run_program.h"

namespace {

using testsupport::ProgramOptions;
using testsupport::RunInTerminal;
using testsupport::RunProgram;

const std::string kUnknownCommandsThenHelp = "foo bar\n-open\nh\nq\n";

// The output as far as `expected` reaches: what the program prints after its last prompt, as it
// ends, is not pinned here.
std::string Opening(const std::string& output, const std::string& expected) {
  return output.substr(0, expected.size());
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(ProgramTest, PipedScriptsRunOneCommandPerLine) {
  struct ScriptCase {
    std::string script;
    std::string output;
  };
  const ScriptCase cases[] = {
      {"h\n", "-H : Help\nQ : Quit\n-"},
      {"", "-"},
      {kUnknownCommandsThenHelp,
       "-Unknown command> FOO bar Press 'H' for help\n"
       "-Unknown command> - open Press 'H' for help\n"
       "-H : Help\nQ : Quit\n-"},
      {"HELP\nfoo\nq\nh\n", "-H : Help\nQ : Quit\n-Unknown command> FOO Press 'H' for help\n-"},
      {"foo '%s'\nq\n", "-Unknown command> FOO %s Press 'H' for help\n-"},
  };
  for (const ScriptCase& c : cases) {
    const auto run = RunProgram(c.script);
    EXPECT_EQ(Opening(run.output, c.output), c.output) << c.script;
    EXPECT_EQ(run.errors, "") << c.script;
    EXPECT_EQ(run.exitCode, 0) << c.script;
  }
  // Nothing after a quit command runs.
  const auto run = RunProgram("x\nh\n");
  EXPECT_EQ(run.output.find("Help"), std::string::npos) << run.output;
  EXPECT_EQ(run.exitCode, 0);
}

TEST(ProgramTest, NoEscapeByteOnAPipeWhateverTheTerminalSettings) {
  for (const char* term : {"xterm-256color", "dumb"}) {
    ProgramOptions options;
    options.environment["TERM"] = term;
    options.environment["NO_COLOR"] = std::nullopt;
    const auto run = RunProgram(kUnknownCommandsThenHelp, options);
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos) << term;
  }
}

TEST(ProgramTest, ColoursOnATerminal) {
  const auto run = RunInTerminal(kUnknownCommandsThenHelp);
  const std::string expected =
      "-Unknown command> \x1b[94mFOO bar \x1b[0mPress 'H' for help\n"
      "-Unknown command> \x1b[92m- \x1b[94mopen \x1b[0mPress 'H' for help\n"
      "-\x1b[94mH \x1b[97m: Help\n"
      "\x1b[94mQ \x1b[97m: Quit\n"
      "\x1b[0m-";
  EXPECT_EQ(Opening(run.output, expected), expected);
  // The terminal is left in its own colours.
  EXPECT_TRUE(EndsWith(run.output, "\x1b[0m")) << run.output;
  EXPECT_EQ(run.exitCode, 0);
}

TEST(ProgramTest, TerminalWithoutColoursGetsPlainText) {
  struct Setting {
    const char* name;
    std::optional<std::string> value;
  };
  const Setting settings[] = {{"NO_COLOR", "1"}, {"TERM", "dumb"}};
  for (const Setting& setting : settings) {
    ProgramOptions options;
    options.environment[setting.name] = setting.value;
    const auto run = RunInTerminal(kUnknownCommandsThenHelp, options);
    const std::string expected =
        "-Unknown command> FOO bar Press 'H' for help\n"
        "-Unknown command> - open Press 'H' for help\n"
        "-H : Help\nQ : Quit\n-";
    EXPECT_EQ(Opening(run.output, expected), expected) << setting.name;
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos);
    EXPECT_EQ(run.exitCode, 0);
  }
  // An empty NO_COLOR does not count.
  ProgramOptions options;
  options.environment["NO_COLOR"] = "";
  EXPECT_NE(RunInTerminal("h\n", options).output.find('\x1b'), std::string::npos);
}

TEST(ProgramTest, EndOfInputAtATerminalEndsTheProgram) {
  const auto run = RunInTerminal("");
  EXPECT_EQ(Opening(run.output, "-"), "-");
  EXPECT_TRUE(EndsWith(run.output, "\x1b[0m")) << run.output;
  EXPECT_EQ(run.exitCode, 0);
}

// A reader that goes away early: the program finishes its script quietly and exits 0, instead of
// dying of SIGPIPE.
TEST(ProgramTest, ClosedOutputPipeIsNotFatal) {
  ProgramOptions options;
  options.program = "/bin/bash";
  options.arguments = {"-c",
                       R"(yes h | head -n 200000 | "$0" | head -c 10 >/dev/null;)"
                       R"( echo "${PIPESTATUS[2]}")",
                       QL_BINARY};
  const auto run = RunProgram("", options);
  EXPECT_EQ(run.output, "0\n");
  EXPECT_EQ(run.errors, "");
}

}  // namespace
