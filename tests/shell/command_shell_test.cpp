#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scripted_shell.h"

namespace ql {

namespace shell {
namespace {

using testing::ScriptedShell;

const std::string kPrompt = "#07-";
const std::string kBuiltInHelp = "#09H #0f: Help\n#09Q #0f: Quit\n";

// What handlers saw: token 0 and the joined arguments of each call.
struct Calls {
  std::vector<std::string> seen;
};

void RecordCall(std::int32_t tokenCount, char** tokens, void* userValue) {
  auto* calls = static_cast<Calls*>(userValue);
  std::string text = std::to_string(tokenCount) + ":" + tokens[0];
  for (std::int32_t i = 1; i < tokenCount; ++i) text += std::string("|") + tokens[i];
  calls->seen.push_back(text);
}

void RecordSecond(std::int32_t, char**, void* userValue) { static_cast<Calls*>(userValue)->seen.push_back("second"); }

class CommandShellTest : public ::testing::Test {
 protected:
  ScriptedShell session;
  Calls calls;
};

TEST_F(CommandShellTest, QuitWordsEndTheLoopBeforeAnyFurtherLine) {
  for (const char* word : {"q", "Q", "x", "X"}) {
    ScriptedShell fresh;
    EXPECT_EQ(fresh.RunLines({word, "h"}), kPrompt) << word;
    EXPECT_EQ(fresh.io.next, 1u) << word;
  }
}

TEST_F(CommandShellTest, HelpWordsListTheCommandsAndContinue) {
  for (const char* word : {"h", "H", "help", "Help", "HELP", " help  me "}) {
    ScriptedShell fresh;
    EXPECT_EQ(fresh.RunLines({word, "q"}), kPrompt + kBuiltInHelp + kPrompt) << word;
  }
}

TEST_F(CommandShellTest, EndOfInputEndsTheLoopLikeQuit) {
  EXPECT_EQ(session.RunLines({}), kPrompt);
  EXPECT_EQ(session.io.reads, 1);

  // The last line is not dispatched a second time, and no prompt follows the end.
  session.shell.AddCommand("count", nullptr, RecordCall, &calls);
  EXPECT_EQ(session.RunLines({"count"}), kPrompt + kPrompt);
  EXPECT_EQ(calls.seen, std::vector<std::string>{"1:COUNT"});
  EXPECT_EQ(session.io.reads, 3);
}

// A line that starts with a NUL is not run either, nor read for quotation marks: the quote it
// would open leaves the next line's number a number.
TEST_F(CommandShellTest, EmptyAndBlankLinesOnlyPromptAgain) {
  ScriptedShell reporting({.reportUnknown = true});
  EXPECT_EQ(reporting.RunLines({"", "   ", "\t\r", std::string("\0'", 2), "foo 12", "q"}),
            kPrompt + kPrompt + kPrompt + kPrompt + kPrompt +
                "#07Unknown command> #09FOO #0e12 #07Press 'H' for help\n" + kPrompt);
}

TEST_F(CommandShellTest, UnknownCommandReportShowsTheTokensByKind) {
  struct Case {
    const char* line;
    const char* report;  // between the prompts
  };
  const Case cases[] = {
      {"foo bar", "#07Unknown command> #09FOO #09bar #07Press 'H' for help\n"},
      {"-open", "#07Unknown command> #0a- #09open #07Press 'H' for help\n"},
      // The token is text, never a format: '%' arrives as typed.
      {"foo '%s'", "#07Unknown command> #09FOO #09%s #07Press 'H' for help\n"},
      {"foo 100% 0x1f", "#07Unknown command> #09FOO #0e100 #07% #060x1f #07Press 'H' for help\n"},
  };
  for (const Case& c : cases) {
    ScriptedShell fresh({.reportUnknown = true});
    EXPECT_EQ(fresh.RunLines({c.line}), kPrompt + c.report + kPrompt) << c.line;
    ScriptedShell quiet;
    EXPECT_EQ(quiet.RunLines({c.line}), kPrompt + kPrompt) << c.line;
  }
}

TEST_F(CommandShellTest, EchoCommandsShowsEveryLineBeforeItRuns) {
  ScriptedShell echoing({.echoCommands = true, .reportUnknown = true});
  EXPECT_EQ(echoing.RunLines({"foo 12", "h", "q"}), kPrompt + "#09FOO #0e12 \n" +
                                                        "#07Unknown command> #09FOO #0e12 #07Press 'H' for help\n" +
                                                        kPrompt + "#09H \n" + kBuiltInHelp + kPrompt + "#09Q \n");
}

TEST_F(CommandShellTest, HelpListsNamesInUnsignedByteOrder) {
  // Bytes of 0x80 and above sort after ASCII; only ASCII letters are upper-cased.
  for (const char* name : {"\xC3\xA9t\xC3\xA9", "zeta", "TABLE", "t", "_x", "1st", "alpha"}) {
    session.shell.AddCommand(name, "h", nullptr, nullptr);
  }
  session.shell.AddCommand("hidden", nullptr, nullptr, nullptr);
  EXPECT_EQ(session.RunLines({"h", "q"}),
            kPrompt +
                "#091ST #0f: h\n#09ALPHA #0f: h\n#09H #0f: Help\n#09Q #0f: Quit\n#09T #0f: h\n"
                "#09TABLE #0f: h\n#09ZETA #0f: h\n#09_X #0f: h\n#09\xC3\xA9T\xC3\xA9 #0f: h\n" +
                kPrompt);
}

TEST_F(CommandShellTest, FirstRegistrationOfANameWins) {
  session.shell.AddCommand("ver", "Version", RecordCall, &calls);
  session.shell.AddCommand("VER", "Other version", RecordSecond, &calls);
  session.shell.AddCommand("Q", "Not quit", RecordSecond, &calls);
  EXPECT_EQ(session.RunLines({"Ver", "h", "q"}), kPrompt + kPrompt + kBuiltInHelp + "#09VER #0f: Version\n" + kPrompt);
  EXPECT_EQ(calls.seen, std::vector<std::string>{"1:VER"});
}

TEST_F(CommandShellTest, HandlersGetTheUpperCasedWordAndTheTokensAsTyped) {
  session.shell.AddCommand("sql", nullptr, RecordCall, &calls);
  EXPECT_EQ(session.RunLines({"sql 'select * from Account'", "Sql x=1"}), kPrompt + kPrompt + kPrompt);
  EXPECT_EQ(calls.seen, (std::vector<std::string>{"5:SQL|select|*|from|Account", "4:SQL|x|=|1"}));
}

// A program's own quit commands are rows with the Quit handler.
TEST_F(CommandShellTest, RowWithTheQuitHandlerEndsTheLoop) {
  const CommandRow rows[] = {{"bye", "Leave", Quit}, {"stay", nullptr, RecordCall}};
  session.shell.AddCommands(rows, &calls);
  EXPECT_EQ(session.RunLines({"stay", "bye now", "stay"}), kPrompt + kPrompt);
  EXPECT_EQ(session.io.next, 2u);
  EXPECT_EQ(calls.seen, std::vector<std::string>{"1:STAY"});
}

// A known word without a handler runs nothing and is not reported; an unknown one is, upper-cased.
TEST_F(CommandShellTest, CommandWithoutHandlerIsKnownAndRunsNothing) {
  ScriptedShell reporting({.reportUnknown = true});
  reporting.shell.AddCommand("noop", nullptr, nullptr, nullptr);
  EXPECT_EQ(reporting.RunLines({"noop 1", "nope"}),
            kPrompt + kPrompt + "#07Unknown command> #09NOPE #07Press 'H' for help\n" + kPrompt);
}

TEST_F(CommandShellTest, HelpTextOfAnyLengthIsPrintedWhole) {
  const std::string help = "100% " + std::string(5000, 'h');
  session.shell.AddCommand(std::string(2000, 'n').c_str(), help.c_str(), nullptr, nullptr);
  const std::string listing = session.RunLines({"h", "q"});
  EXPECT_NE(listing.find("#09" + std::string(2000, 'N') + " #0f: " + help + "\n"), std::string::npos);
}

// However long the line, it is one command: nothing of it comes back as a line of its own, and the
// handler finds all of it in ArgumentText.
TEST_F(CommandShellTest, LongLineIsOneCommandWithItsWholeText) {
  static std::string seenText;
  session.shell.AddCommand(
      "sql", nullptr,
      [](std::int32_t, char**, void* self) {
        seenText = std::string(static_cast<CommandShell*>(self)->ArgumentText());
      },
      &session.shell);
  const std::string argument = std::string(Tokenizer::kLineSize * 4, 'v') + " q";
  EXPECT_EQ(session.RunLines({"sql " + argument, "h"}), kPrompt + kPrompt + kBuiltInHelp + kPrompt);
  EXPECT_EQ(seenText, argument);
}

TEST_F(CommandShellTest, LineOverTheLimitIsRefusedWholeAndTheNextRuns) {
  session.io.tooLong = {0};
  session.shell.AddCommand("sql", nullptr, RecordCall, &calls);
  EXPECT_EQ(session.RunLines({"sql delete from t", "sql 1"}),
            kPrompt + "Line not run: it is longer than 64 MiB.\n" + kPrompt + kPrompt);
  EXPECT_EQ(calls.seen, std::vector<std::string>{"2:SQL|1"});
}

// A command registered as continuing takes the next lines while the mark its text starts with is
// open, and runs once on the whole text; nothing of a statement left open or refused runs, and
// lines that close their mark, or commands that do not continue, run as they always did.
TEST_F(CommandShellTest, StatementsGoOnWhileTheirQuoteIsOpen) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> runs;  // each command run: its word and the text it found
    std::string continued;          // the open mark of each line read as a statement's next
    std::string output;
    std::vector<std::size_t> tooLong = {};
    std::vector<std::size_t> dropped = {};
  };
  const Case cases[] = {
      {"two lines",
       {"sql \"select *", "from t\"", "echo x"},
       {"SQL:select *\nfrom t", "ECHO:x"},
       "\"",
       kPrompt + kPrompt + kPrompt},
      {"five lines, both marks inside",
       {"sql \"select \"a\" as x,", "'y' as \"b\",", "", "  'it''s' ", "from t\"  "},
       {"SQL:select \"a\" as x,\n'y' as \"b\",\n\n  'it''s' \nfrom t"},
       "\"\"\"\"",
       kPrompt + kPrompt},
      {"single marks, blank lines", {"Sql '", "", "'"}, {"SQL:\n\n"}, "''", kPrompt + kPrompt},
      {"never closed",
       {"sql 'select 1", "from t"},
       {},
       "''",
       kPrompt + "Statement not run: the input ended before its closing '.\n"},
      {"a line that closes its mark runs alone",
       {"sql \"select \"a\"", "sql 1"},
       {"SQL:select \"a", "SQL:1"},
       "",
       kPrompt + kPrompt + kPrompt},
      {"other commands never continue", {"echo \"a", "sql 1"}, {"ECHO:a", "SQL:1"}, "", kPrompt + kPrompt + kPrompt},
      {"Ctrl-C drops the statement", {"sql \"a", "b", "sql 2"}, {"SQL:2"}, "\"", kPrompt + kPrompt + kPrompt, {}, {1}},
      {"too long, refused to its closing line",
       {"sql \"a", "x", "b\"", "sql 3"},
       {"SQL:3"},
       "\"\"",
       kPrompt + "Statement not run: it is longer than 64 MiB.\n" + kPrompt + kPrompt,
       {1}},
  };
  static std::vector<std::string> runs;
  const CommandHandler record = [](std::int32_t, char** tokens, void* self) {
    runs.push_back(std::string(tokens[0]) + ":" + std::string(static_cast<CommandShell*>(self)->ArgumentText()));
  };
  for (const Case& c : cases) {
    ScriptedShell fresh;
    fresh.shell.AddCommand("sql", nullptr, record, &fresh.shell, true);
    fresh.shell.AddCommand("echo", nullptr, record, &fresh.shell);
    fresh.io.tooLong = c.tooLong;
    fresh.io.dropped = c.dropped;
    runs.clear();
    EXPECT_EQ(fresh.RunLines(c.lines), c.output) << c.name;
    EXPECT_EQ(runs, c.runs) << c.name;
    EXPECT_EQ(fresh.io.continuedMarks, c.continued) << c.name;
  }
}

}  // namespace
}  // namespace shell

}  // namespace ql
