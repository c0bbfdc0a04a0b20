// The program at a terminal where a person types: colours and clearing the screen, line editing,
// the history of the run, Ctrl-D, and Ctrl-C at the prompt and during a long statement.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "program_script.h"
#include "support/temporary_directory.h"
#include "support/terminal_session.h"

namespace ql {

namespace {

using testsupport::RunAtEditor;
using testsupport::TerminalSession;

const std::string kNotice = " \x1b[97m(C) 2003-2026 \x1b[93mQuillory\x1b[0m. All rights reserved.\n";
const std::string kClosingLines = " Command line \x1b[94mQUERYLOOM\x1b[0m, by \x1b[93mVantero\x1b[0m.\n" + kNotice;
// The terminal is handed back in its own colours.
const std::string kEnd = kClosingLines + "\x1b[0m";

// The report of an unknown command whose words are `words`: it shows what the loop was given.
std::string UnknownCommand(const std::string& words) {
  return "Unknown command> \x1b[94m" + words + " \x1b[0mPress 'H' for help\n";
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(TerminalTest, ColoursAndClearScreen) {
  const auto run = RunAtEditor("foo bar\n-open\nh\nabout\ncls\nq\n");
  std::string help;
  for (const char* line : {"ABOUT \x1b[97m: Copy right infomation",
                           "CLOSE \x1b[97m: Close database",
                           "CLS \x1b[97m: Clear screen",
                           "COLUMNS \x1b[97m: Show the columns of a table: Columns table",
                           "COUNT \x1b[97m: Get records count in current recordset",
                           "DB \x1b[97m: List databases",
                           "DEMO \x1b[97m: Demo how to use this tools",
                           "EXIT \x1b[97m: Quit",
                           "FORMAT \x1b[97m: Set the form Rows prints in: Format [table|csv|tsv|json]",
                           "H \x1b[97m: Help",
                           "INFO \x1b[97m: Show what the open connection is",
                           "MORE \x1b[97m: Make the next result of the last SQL command current",
                           "OPEN \x1b[97m: Open database by connection string",
                           "Q \x1b[97m: Quit",
                           "QUIT \x1b[97m: Quit",
                           "RECORD \x1b[97m: Display current record in current recordset",
                           "ROWS \x1b[97m: Show rows from current record as a table: Rows [count|all]",
                           "SQL \x1b[97m: Execute a SQL command",
                           "T \x1b[97m: Move to next record and display it",
                           "TABLE \x1b[97m: Show all tables in current db",
                           "TIMING \x1b[97m: Show each command's time: Timing [on|off]",
                           "VER \x1b[97m: Get MDAC Version"}) {
    help += std::string("\x1b[94m") + line + "\n";
  }
  // What was typed shows after each prompt; the prompt brings back the terminal's colours.
  const std::string expected = "-foo bar\n" + UnknownCommand("FOO bar") +
                               "--open\nUnknown command> \x1b[92m- \x1b[94mopen \x1b[0mPress 'H' for help\n"
                               "-h\n" +
                               help + "\x1b[0m-about\n" + kNotice +
                               // Black on black, erase, cursor home, then the prompt in the top left corner.
                               "-cls\n\x1b[30m\x1b[2J\x1b[3J\x1b[1;1H"
                               "\x1b[0m-q\n" +
                               kEnd;
  EXPECT_EQ(run.output, expected);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(TerminalTest, EditingKeysShapeTheLineTheProgramGets) {
  struct EditCase {
    const char* name;
    std::string keys;
    std::string words;  // what the unknown-command report shows
  };
  const std::string left = "\x1b[D";
  const EditCase cases[] = {
      {"cursor left, then typing in the middle", "fo bar" + left + left + left + left + "o\n", "FOO bar"},
      {"backspace", "foo baz\x7fr\n", "FOO bar"},
      {"Ctrl-A to the start, then the Delete key", "xfoo bar\x01\x1b[3~\n", "FOO bar"},
      {"Ctrl-D inside a line deletes a character", "ffoo bar\x01\x04\n", "FOO bar"},
      {"Home and End", "bar\x1b[Hfoo \x1b[F baz\n", "FOO bar baz"},
      {"Ctrl-Left moves back a word", "foo baz\x1b[1;5Dbar \n", "FOO bar baz"},
      {"Ctrl-U drops what was typed",
       "junk\x15"
       "foo bar\n",
       "FOO bar"},
  };
  for (const EditCase& c : cases) {
    const auto run = RunAtEditor(c.keys);
    EXPECT_EQ(Count(run.output, UnknownCommand(c.words)), 1u) << c.name << "\n" << run.output;
    EXPECT_EQ(run.exitCode, 0) << c.name;
  }
}

TEST(TerminalTest, HistoryRecallsTheLinesOfThisRun) {
  const std::string up = "\x1b[A";
  const std::string down = "\x1b[B";
  // Up twice reaches "foo bar" past "h"; three times Up and once Down come back to "h"; Ctrl-R
  // finds "foo bar" again by what it holds.
  const auto run = RunAtEditor("foo bar\nh\n" + up + up + "\n" + up + up + up + down + "\n" +
                               "\x12"
                               "o b\n");
  EXPECT_EQ(Count(run.output, UnknownCommand("FOO bar")), 3u) << run.output;
  EXPECT_EQ(Count(run.output, "H \x1b[97m: Help\n"), 2u) << run.output;
  // The search shows its own prompt in words people know.
  EXPECT_NE(run.output.find("(reverse-i-search)`o b': foo bar"), std::string::npos) << run.output;
  EXPECT_EQ(run.exitCode, 0);
}

// A statement typed over several lines: a prompt that shows the open mark, Ctrl-C drops all of it,
// and the history holds it as one entry that Up brings back whole.
TEST(TerminalTest, AStatementGoesOnOverSeveralLines) {
  TerminalSession session;
  for (const char* keys : {"open \"Data Source=:memory:\"\n", "sql \"select 1 as a,\n", "2 as b\"\n",
                           "sql 'select 3 as c,\n", "\x03", "\x1b[A\n", "record\n", "q\n"}) {
    ASSERT_TRUE(session.Type(keys)) << keys;
  }
  ASSERT_EQ(session.Finish().exitCode, 0);
  const std::string screen = session.Screen();
  EXPECT_NE(screen.find("-sql \"select 1 as a,\n-\"2 as b\"\n"), std::string::npos) << screen;
  EXPECT_NE(screen.find("-sql 'select 3 as c,\n-'^C\n-"), std::string::npos) << screen;
  EXPECT_NE(screen.find("a               1\nb               2\n"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("c               3"), std::string::npos) << screen;
}

// With QUERYLOOM_HISTORY the entries go to that file, mode 0600, but for those that may hold a
// password; the next session finds them.
TEST(TerminalTest, HistoryKeptInTheFileItsVariableNames) {
  testsupport::TemporaryDirectory directory;
  const std::string path = directory.File("history");
  testsupport::ProgramOptions options;
  options.environment["QUERYLOOM_HISTORY"] = path;
  RunAtEditor(
      "open \"Data Source=:memory:\"\nsql \"select 1 as a,\n2 as b\"\n"
      "sql select 'Pwd = x'\nfoo bar\n  OPEN \"Data Source=:memory:\"\n",
      options);
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0600u);
  std::stringstream written;
  written << std::ifstream(path).rdbuf();
  EXPECT_EQ(written.str(), "sql \"select 1 as a,\\n2 as b\"\nfoo bar\n");
  // Twice Up finds "foo bar" past the line typed first; Ctrl-R the statement of two lines, whole.
  const auto second = RunAtEditor(
      "open \"Data Source=:memory:\"\n\x1b[A\x1b[A\n\x12"
      "as b\nrecord\n",
      options);
  EXPECT_EQ(Count(second.output, UnknownCommand("FOO bar")), 1u) << second.output;
  EXPECT_NE(second.output.find("a               1\nb               2\n"), std::string::npos) << second.output;
  EXPECT_EQ(second.exitCode, 0);
}

// Tab completes the line; Ctrl-A and an "x" then make the completed line an unknown command, whose
// report reads it back. Without a connection only command words and keywords complete.
TEST(TerminalTest, TabCompletesCommandsKeywordsTablesAndColumns) {
  testsupport::ProgramOptions options;
  options.environment["NO_COLOR"] = "1";
  TerminalSession session(options);
  const std::string readBack = "\x01x\n";
  const auto typed = [&](const std::string& keys, const std::string& words) {
    ASSERT_TRUE(session.Type(keys + readBack)) << keys;
    EXPECT_NE(session.WaitForOutput("Unknown command> " + words + " Press 'H' for help\n"), std::string::npos) << keys;
  };
  typed("he\t", "XHELP");
  typed("sql sel\t", "XSQL select");
  typed("SQL SEL\t", "XSQL SELECT");
  typed("sql select * from Acc\t", "XSQL select * from Acc");
  ASSERT_TRUE(session.Type("open \"Data Source=" QL_TEST_SAMPLE_DB ";Mode=Read\"\n"));
  // The shared start, then the list of both.
  ASSERT_TRUE(session.Type("sql select * from Acc\t\t"));
  EXPECT_NE(session.WaitForOutput("\nAccount          AccountProvider\n"), std::string::npos);
  typed("", "XSQL select * from Account");
  typed("sql select Account.sm\t", "XSQL select Account . smtp");
  typed("sql select * from Message m where m.Acc\t", "XSQL select * from Message m where m . AccountID");
  typed("sql select * from Account where Setu\t", "XSQL select * from Account where SetupDate");
  ASSERT_TRUE(session.Type("q\n"));
  EXPECT_EQ(session.Finish().exitCode, 0);
}

TEST(TerminalTest, CtrlDAtAnEmptyPromptEndsTheProgramAndRestoresTheTerminal) {
  TerminalSession session;
  const termios before = session.Modes();
  ASSERT_TRUE(session.Type("\x04"));
  const auto run = session.Finish();
  EXPECT_EQ(session.Screen(), "-^D\n" + kEnd);
  EXPECT_EQ(run.exitCode, 0);
  const termios after = session.Modes();
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
}

// Through the editor, and on a terminal that cannot move its cursor, where the terminal's own line
// mode drops the line and the program only starts a fresh one.
TEST(TerminalTest, CtrlCAtThePromptDropsTheLine) {
  struct TerminalCase {
    std::string term;
    bool editor;
    std::string opening;
  };
  const TerminalCase cases[] = {
      {"xterm-256color", true, "-foo bar^C\n-h\n\x1b[94mABOUT"},
      {"dumb", false, "-foo bar^C\n-h\nABOUT"},
  };
  for (const TerminalCase& c : cases) {
    testsupport::ProgramOptions options;
    options.environment["TERM"] = c.term;
    TerminalSession session(options);
    ASSERT_TRUE(session.Type("foo bar"));
    // Shown before the key, which would drop an echo still on its way. The editor takes keys one
    // by one; a terminal in line mode holds them until the line ends, so the program does not stir
    // before the key.
    ASSERT_NE(session.WaitForOutput("-foo bar"), std::string::npos);
    ASSERT_TRUE(c.editor ? session.Type("\x03") : session.Press("\x03"));
    // A person sees the fresh prompt before typing on.
    ASSERT_NE(session.WaitForOutput("^C\n-"), std::string::npos);
    ASSERT_TRUE(session.Type("h\n"));
    ASSERT_TRUE(session.Type("q\n"));
    const auto run = session.Finish();
    const std::string screen = session.Screen();
    // The key shows where it was pressed, a fresh prompt follows, and the next line runs.
    EXPECT_EQ(screen.substr(0, c.opening.size()), c.opening) << c.term << "\n" << screen;
    EXPECT_EQ(Count(screen, "Unknown command"), 0u) << c.term << "\n" << screen;
    EXPECT_EQ(run.exitCode, 0) << c.term;
  }
}

TEST(TerminalTest, CtrlCCancelsALongSqliteStatementAndTheConnectionStaysUsable) {
  TerminalSession session;
  ASSERT_TRUE(session.Type("open \"Data Source=:memory:\"\n"));
  // Counting the rows of an endless series never ends by itself.
  ASSERT_TRUE(
      session.Type("sql \"WITH RECURSIVE c(x) AS(SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c\"\n"));
  // Well past the start of the statement: the key then reaches it while it runs.
  ASSERT_TRUE(session.WaitForProcessorTime(std::chrono::milliseconds(200)));
  ASSERT_TRUE(session.Press("\x03"));
  const std::string report =
      "--------------- Error @442 ---------------\n"
      "> Code = 80040e4e\n"
      "> Code meaning = IDispatch error #3150\n"
      "> Source = SQLite\n"
      "> Description = interrupted\n"
      "--------------- Error @442 ---------------\n";
  // The terminal showed the key as "^C"; the report starts on a line of its own.
  const std::size_t reported = session.WaitForOutput("FROM c\"\n^C\n" + report + "-");
  ASSERT_NE(reported, std::string::npos);
  ASSERT_TRUE(session.Type("sql \"select 7 as answer\"\n"));
  ASSERT_TRUE(session.Type("record\n"));
  EXPECT_NE(session.WaitForOutput("answer          7\n", reported), std::string::npos);
  ASSERT_TRUE(session.Type("q\n"));
  EXPECT_EQ(session.Finish().exitCode, 0);
}

// Bytes from the database that would drive the terminal (retitle the window, clear the screen) are
// shown escaped at a terminal; the same session through a pipe carries them as stored.
TEST(TerminalTest, ControlBytesInValuesAreShownAtATerminalAndKeptInAPipe) {
  const std::string script =
      "open \"Data Source=:memory:\"\n"
      "sql select char(27)||']0;owned'||char(7)||char(27)||'[2J #1' as v\n"
      "rows\nrecord\nq\n";
  // Without colours (NO_COLOR) the output is still a terminal.
  for (const char* noColor : {"", "1"}) {
    testsupport::ProgramOptions options;
    options.environment["NO_COLOR"] = noColor;
    const auto run = RunAtEditor(script, options);
    EXPECT_NE(run.output.find("v               \"\\x1b]0;owned\\x07\\x1b[2J #1\"\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\n\\x1b]0;owned\\x07\\x1b[2J #1\n(1 row)\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("\x1b]0;owned"), std::string::npos);
  }
  const auto piped = apptest::RunScript(script);
  EXPECT_NE(piped.output.find("v               \"\x1b]0;owned\x07\x1b[2J #1\"\n"), std::string::npos) << piped.output;
  EXPECT_NE(piped.output.find("\n\x1b]0;owned\x07\x1b[2J #1\n(1 row)\n"), std::string::npos) << piped.output;
}

// At a terminal 40 columns wide and 12 rows high: a screenful of rows, each line cut to the width
// with a mark where a value was cut; a note follows the command's output in a colour of its own.
TEST(TerminalTest, RowsFitTheTerminalAndNotesShowInTheirColour) {
  testsupport::ProgramOptions options;
  options.terminalColumns = 40;
  options.terminalRows = 12;
  const auto run = RunAtEditor(
      "open \"Data Source=:memory:\"\n"
      "sql \"create table t (id integer, mail text, note text)\"\n"
      "sql \"with recursive n(i) as (select 1 union all select i + 1 from n where i < 10) insert into t select i, "
      "'user' || i || '@mail.example.com', 'a note that is longer than the screen is wide' from n\"\n"
      "sql \"select * from t\"\nRows\nq\n",
      options);
  const std::string table =
      "id | mail             | note\n"
      "---+------------------+-----------------\n"
      " 1 | user1@mail.exam~ | a note that is ~\n";
  EXPECT_NE(run.output.find("\x1b[36m10 record(s) affected.\n"), std::string::npos) << run.output;
  const std::size_t start = run.output.find("id | mail");
  ASSERT_NE(start, std::string::npos) << run.output;
  EXPECT_EQ(run.output.substr(start, table.size()), table);
  EXPECT_NE(run.output.find(" 8 | user8@", start), std::string::npos) << "12 rows less the frame and prompt";
  EXPECT_EQ(run.output.find(" 9 | user9@", start), std::string::npos);
}

// Where a script feeds the program, Ctrl-C ends it, as it ends every command of a pipeline, and the
// rest of the script does not run; the terminal gets its own colours back first.
TEST(TerminalTest, CtrlCEndsAProgramFedByAScript) {
  testsupport::ProgramOptions options;
  options.program = "/bin/sh";
  // `sleep` holds the program's input open through a FIFO. As a background job of a
  // non-interactive shell it ignores Ctrl-C, so no race with its start decides whether the shell
  // waits 60 seconds for it; the shell reports how the program ended, then ends `sleep`.
  options.arguments = {"-c",
                       "trap : INT; d=$(mktemp -d); mkfifo \"$d/in\"; sleep 60 >\"$d/in\" & "
                       "\"$0\" <\"$d/in\"; echo \" status $?\"; kill $!; rm -r \"$d\"",
                       QL_BINARY};
  TerminalSession session(options);
  ASSERT_NE(session.WaitForOutput("-"), std::string::npos);
  ASSERT_TRUE(session.Press("\x03"));
  session.Finish();
  EXPECT_EQ(session.Screen(), "-^C\x1b[0m status 130\n");
}

}  // namespace

}  // namespace ql
