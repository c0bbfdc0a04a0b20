// The program on a pipe and on a terminal whatever the terminal settings say, and with streams that
// break under it. (The commands' transcripts are in commands_test, the terminal's keys in
// terminal_test.)

#include <gtest/gtest.h>

#include <string>

#include "support/run_in_terminal.h"
#include "support/run_program.h"
#include "support/terminal_session.h"

namespace ql {

namespace {

using testsupport::ProgramOptions;
using testsupport::RunAtEditor;
using testsupport::RunInTerminal;
using testsupport::RunProgram;

const std::string kUnknownCommands = "foo bar\n-open\nq\n";

// The output as far as `expected` reaches: what the program prints as it ends is not pinned here.
std::string Opening(const std::string& output, const std::string& expected) {
  return output.substr(0, expected.size());
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ProgramTest, NoEscapeByteOnAPipeWhateverTheTerminalSettings) {
  for (const char* term : {"xterm-256color", "dumb"}) {
    ProgramOptions options;
    options.environment["TERM"] = term;
    options.environment["NO_COLOR"] = std::nullopt;
    const auto run = RunProgram("foo bar\nh\nq\n", options);
    EXPECT_FALSE(Contains(run.output, "\x1b")) << term;
  }
}

// NO_COLOR keeps the line editor, which shows the typed lines; a dumb terminal (one that cannot
// move its cursor) gets neither colours nor the editor, and its own echo is off in this fixture.
TEST(ProgramTest, TerminalWithoutColoursGetsPlainText) {
  struct Setting {
    const char* name;
    std::optional<std::string> value;
    bool editor;
  };
  const Setting settings[] = {{"NO_COLOR", "1", true}, {"TERM", "dumb", false}};
  for (const Setting& setting : settings) {
    ProgramOptions options;
    options.environment[setting.name] = setting.value;
    const std::string script = kUnknownCommands + "h\n";
    const auto run = setting.editor ? RunAtEditor(script, options) : RunInTerminal(script, options);
    const std::string expected = setting.editor ? "-foo bar\nUnknown command> FOO bar Press 'H' for help\n"
                                                  "--open\nUnknown command> - open Press 'H' for help\n"
                                                  "-"
                                                : "-Unknown command> FOO bar Press 'H' for help\n"
                                                  "-Unknown command> - open Press 'H' for help\n"
                                                  "-";
    EXPECT_EQ(Opening(run.output, expected), expected) << setting.name;
    EXPECT_FALSE(Contains(run.output, "\x1b")) << setting.name;
    EXPECT_EQ(run.exitCode, 0);
  }
  // An empty NO_COLOR does not count.
  ProgramOptions options;
  options.environment["NO_COLOR"] = "";
  EXPECT_TRUE(Contains(RunAtEditor("h\n", options).output, "\x1b"));
}

// Output that cannot be written and input that is not there: the program finishes quietly and
// exits 0, instead of dying of SIGPIPE or spinning. Once the reader of its output has gone it reads
// no further command, so endless input does not keep it running.
TEST(ProgramTest, BrokenStreamsAreNotFatal) {
  const char* const commands[] = {
      R"(yes h | head -n 200000 | "$0" | head -c 10 >/dev/null; echo "${PIPESTATUS[2]}")",
      R"(yes t | "$0" | head -c 10 >/dev/null; echo "${PIPESTATUS[1]}")",
      R"(echo h | "$0" >&-; echo $?)",
      R"(echo h | "$0" >/dev/full; echo $?)",
      R"("$0" <&- >/dev/null; echo $?)",
  };
  for (const char* command : commands) {
    ProgramOptions options;
    options.program = "/bin/bash";
    options.arguments = {"-c", command, QL_BINARY};
    const auto run = RunProgram("", options);
    EXPECT_EQ(run.output, "0\n") << command;
    EXPECT_EQ(run.errors, "") << command;
  }
}

}  // namespace

}  // namespace ql
