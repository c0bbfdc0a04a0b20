#include "app/console_shell_io.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/command_shell.h"
#include "support/scripted_terminal.h"

namespace ql {

namespace {

using testsupport::ScriptedTerminal;
using testsupport::TerminalScript;

// A shell on the console with its built-in commands, reporting unknown words, run on `input` until
// it quits or the input ends; returns everything it wrote, closing included.
struct Session {
  std::string output;
};

Session RunShell(const std::string& input, bool colour) {
  auto script = std::make_shared<TerminalScript>();
  script->input = input;
  script->console = colour;
  Session session;
  {
    app::ConsoleShellIo io(ScriptedTerminal(script));
    shell::CommandShell shell(io, {.reportUnknown = true});
    shell.Run();
  }
  session.output = script->output;
  return session;
}

const std::string kUnknownCommandsThenHelp = "foo bar\n-open\nh\nq\n";

TEST(ConsoleShellIoTest, ReportsAndHelpAsPlainTextOnAPipe) {
  const Session session = RunShell(kUnknownCommandsThenHelp, false);
  EXPECT_EQ(session.output,
            "-Unknown command> FOO bar Press 'H' for help\n"
            "-Unknown command> - open Press 'H' for help\n"
            "-H : Help\n"
            "Q : Quit\n"
            "-");
}

TEST(ConsoleShellIoTest, ReportsAndHelpInColourOnATerminal) {
  const Session session = RunShell(kUnknownCommandsThenHelp, true);
  EXPECT_EQ(session.output,
            "-Unknown command> \x1b[94mFOO bar \x1b[0mPress 'H' for help\n"
            "-Unknown command> \x1b[92m- \x1b[94mopen \x1b[0mPress 'H' for help\n"
            "-\x1b[94mH \x1b[97m: Help\n"
            "\x1b[94mQ \x1b[97m: Quit\n"
            "\x1b[0m-\x1b[0m");
}

TEST(ConsoleShellIoTest, EndOfInputEndsTheLoopLikeQuit) {
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
  }
}

// A line longer than the shell's buffer comes as two lines; neither is lost or merged.
// A line is one command however long; its command word is what the token area holds of it.
TEST(ConsoleShellIoTest, LongLineIsOneCommand) {
  const std::string word(100000, 'y');
  const Session session = RunShell(word + "\nq\n", false);
  const std::string upper(shell::Tokenizer::kTokenTextSize - 2, 'Y');
  EXPECT_EQ(session.output, "-Unknown command> " + upper + " Press 'H' for help\n-");
}

// Typed tokens are echoed as typed: a '#' is a character, and at a terminal an escape byte is shown.
TEST(ConsoleShellIoTest, UnknownCommandEchoesTokensLiterally) {
  EXPECT_EQ(RunShell("C#ab #0f\nq\n", false).output, "-Unknown command> C # ab # 0 f Press 'H' for help\n-");
  const std::string shown = RunShell("y\x1b]0;t\x07\nq\n", true).output;
  EXPECT_EQ(shown.find("\x1b]"), std::string::npos);
  EXPECT_NE(shown.find("\\x1b]"), std::string::npos);
  EXPECT_NE(shown.find("\\x07"), std::string::npos);
}

TEST(ConsoleShellIoTest, ShellAndConsoleShareOneOutput) {
  auto script = std::make_shared<TerminalScript>();
  script->input = "h\n";
  {
    app::ConsoleShellIo io(ScriptedTerminal(script));
    shell::CommandShell shell(io);
    io.Console().Print("#0e%s\n", "ready");
    shell.Run();
    io.Console().Print("bye\n");
  }
  EXPECT_EQ(script->output, "ready\n-H : Help\nQ : Quit\n-bye\n");
}

}  // namespace

}  // namespace ql
