#include "console/console_shell.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scripted_terminal.h"

namespace {

using testsupport::ScriptedTerminal;
using testsupport::TerminalScript;

// A ConsoleShell with its built-in commands reporting unknown words, run on `input` until it
// quits or the input ends; returns everything it wrote, closing included.
struct Session {
  std::string output;
  std::int32_t result = 0;
};

Session RunShell(const std::string& input, bool colour) {
  auto script = std::make_shared<TerminalScript>();
  script->input = input;
  script->console = colour;
  Session session;
  {
    console::ConsoleShell shell(ScriptedTerminal(script));
    shell.reportUnknown = true;
    session.result = shell.Run();
  }
  session.output = script->output;
  return session;
}

const std::string kUnknownCommandsThenHelp = "foo bar\n-open\nh\nq\n";

TEST(ConsoleShellTest, ReportsAndHelpAsPlainTextOnAPipe) {
  const Session session = RunShell(kUnknownCommandsThenHelp, false);
  EXPECT_EQ(session.output,
            "-Unknown command> FOO bar Press 'H' for help\n"
            "-Unknown command> - open Press 'H' for help\n"
            "-H : Help\n"
            "Q : Quit\n"
            "-");
  EXPECT_EQ(session.result, 1);
}

TEST(ConsoleShellTest, ReportsAndHelpInColourOnATerminal) {
  const Session session = RunShell(kUnknownCommandsThenHelp, true);
  EXPECT_EQ(session.output,
            "-Unknown command> \x1b[94mFOO bar \x1b[0mPress 'H' for help\n"
            "-Unknown command> \x1b[92m- \x1b[94mopen \x1b[0mPress 'H' for help\n"
            "-\x1b[94mH \x1b[97m: Help\n"
            "\x1b[94mQ \x1b[97m: Quit\n"
            "\x1b[0m-\x1b[0m");
}

TEST(ConsoleShellTest, EndOfInputEndsTheLoopLikeQuit) {
  struct EndCase {
    std::string input;
    std::string output;
  };
  const EndCase cases[] = {
      {"", "-"},
      {"h\n", "-H : Help\nQ : Quit\n-"},
      {"h", "-H : Help\nQ : Quit\n-"},  // a last line without its line end still runs
      {"\n   \n", "---"},
  };
  for (const EndCase& c : cases) {
    const Session session = RunShell(c.input, false);
    EXPECT_EQ(session.output, c.output) << c.input;
    EXPECT_EQ(session.result, 1) << c.input;
  }
}

// A line longer than the shell's buffer comes as two lines; neither is lost or merged.
TEST(ConsoleShellTest, LongLineComesInTwoPieces) {
  const std::string word(400, 'y');
  const Session session = RunShell(word + "\nq\n", false);
  const std::string upper(400, 'Y');
  EXPECT_EQ(session.output, "-Unknown command> " + upper.substr(0, 319) +
                                " Press 'H' for help\n-Unknown command> " + upper.substr(0, 81) +
                                " Press 'H' for help\n-");
}

TEST(ConsoleShellTest, ShellAndConsoleShareOneOutput) {
  auto script = std::make_shared<TerminalScript>();
  script->input = "h\n";
  {
    console::ConsoleShell shell(ScriptedTerminal(script));
    shell.Console().Print("#0e%s\n", "ready");
    shell.Run();
    shell.Console().Print("bye\n");
  }
  EXPECT_EQ(script->output, "ready\n-H : Help\nQ : Quit\n-bye\n");
}

}  // namespace
