// Lines from a line editor and from Ctrl-C: the prompt the console hands the editor, and what the
// shell's loop gets.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/color_console.h"
#include "console/terminal/editor_prompt.h"
#include "support/scripted_terminal.h"

namespace ql {

namespace {

using testsupport::ScriptedTerminal;
using testsupport::TerminalScript;

TEST(EditorPromptTest, OnlyPrintingTextAndColourChangesGoToTheEditor) {
  struct PromptCase {
    const char* name;
    std::string unfinished;
    std::size_t start;
    std::string text;
  };
  const std::string clear = "\x1b[30m\x1b[2J\x1b[3J\x1b[1;1H";
  const PromptCase cases[] = {
      {"plain", "-", 0, "-"},
      {"colour changes take no room", "\x1b[94mFOO \x1b[0m-", 0, "\1\x1b[94m\1FOO \1\x1b[0m\1-"},
      {"clearing the screen is written, not redrawn", clear + "\x1b[0m-", clear.size(), "\1\x1b[0m\1-"},
      {"control bytes stay out", "ab\rc\x01-", 5, "-"},
      {"an escape cut short stays out", "-\x1b[9", 4, ""},
      {"nothing", "", 0, ""},
  };
  for (const PromptCase& c : cases) {
    const console::EditorPrompt prompt = console::SplitEditorPrompt(c.unfinished);
    EXPECT_EQ(prompt.start, c.start) << c.name;
    EXPECT_EQ(prompt.text, c.text) << c.name;
  }
}

struct EditedConsole {
  explicit EditedConsole(bool colour, std::vector<std::string> lines)
      : script(std::make_shared<TerminalScript>()),
        console((script->console = colour, script->editedLines = std::move(lines), ScriptedTerminal(script))) {}

  std::string ReadLine() {
    char buffer[320];
    const std::int32_t count = console.ReadLine(buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(count));
  }

  std::shared_ptr<TerminalScript> script;
  console::ColorConsole console;
};

TEST(LineEditingTest, TheEditorDrawsThePromptAndTheRestIsWrittenFirst) {
  EditedConsole edited(true, {"select 1\n"});
  edited.console.Print("#0etext\n#07-");
  EXPECT_EQ(edited.ReadLine(), "select 1\n");
  EXPECT_EQ(edited.script->output, "\x1b[93mtext\n");
  EXPECT_EQ(edited.script->prompts, std::vector<std::string>{"\1\x1b[0m\1-"});
  // The editor left the terminal in the prompt's colours: the next text starts from there.
  edited.console.Print("#07plain\n");
  edited.console.Flush();
  EXPECT_EQ(edited.script->output, "\x1b[93mtext\nplain\n");
}

TEST(LineEditingTest, ClearingTheScreenBeforeThePromptIsWrittenByTheConsole) {
  EditedConsole edited(true, {});
  edited.console.ClearScreen(0);
  edited.console.MoveCursor(0, 0);
  edited.console.Print("#07-");
  EXPECT_EQ(edited.ReadLine(), "");
  EXPECT_EQ(edited.script->output, "\x1b[30m\x1b[2J\x1b[3J\x1b[1;1H");
  EXPECT_EQ(edited.script->prompts, std::vector<std::string>{"\1\x1b[0m\1-"});
}

TEST(LineEditingTest, EditedLinesReachTheLoopAsTypedLinesDo) {
  const std::string longLine = std::string(400, 'x') + "\n";
  EditedConsole edited(false, {longLine, TerminalScript::kCtrlC, "q\n"});
  edited.console.Print("-");
  // A long line comes in pieces, the editor asked once; Ctrl-C reads as an empty line; then the
  // end of input.
  EXPECT_EQ(edited.ReadLine(), std::string(319, 'x'));
  edited.console.Print("-");
  EXPECT_EQ(edited.ReadLine(), std::string(81, 'x') + "\n");
  edited.console.Print("-");
  EXPECT_EQ(edited.ReadLine(), "\n");
  edited.console.Print("-");
  EXPECT_EQ(edited.ReadLine(), "q\n");
  EXPECT_EQ(edited.ReadLine(), "");
  // Without colours the prompt is the bare text; a piece read without waiting takes no prompt,
  // so the next one holds both.
  EXPECT_EQ(edited.script->prompts, (std::vector<std::string>{"-", "--", "-", ""}));
  EXPECT_EQ(edited.script->output, "");
}

TEST(LineEditingTest, CtrlCWhileWaitingForBytesReadsAsAnEmptyLine) {
  auto script = std::make_shared<TerminalScript>();
  script->input = "h\n";
  script->interruptAtEnd = true;
  console::ColorConsole console(ScriptedTerminal(script));
  char buffer[320];
  std::vector<std::string> lines;
  for (std::int32_t count; (count = console.ReadLine(buffer, sizeof buffer)) > 0;) {
    lines.emplace_back(buffer, static_cast<std::size_t>(count));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"h\n", "\n"}));
}

}  // namespace

}  // namespace ql
