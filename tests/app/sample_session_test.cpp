// Sessions on the sample database, and the first session that the README shows a newcomer.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "program_script.h"

namespace {

using apptest::Transcript;

const std::string kSeparator = std::string(79, '-') + "\n";

TEST(SampleSessionTest, ArgumentsReachTheDatabaseRebuiltFromTheirTokens) {
  const std::string script =
      "open \"Data Source=sample.db\"\n"
      "table\n"
      // Runs of blanks become one; a comma is a token of its own.
      "sql   select  ID,   Account   from Account where ID = 3\n"
      "record\n"
      "t\n"  // past the only row: nothing at all
      "count\n"
      // Inside double quotes the text stays whole but for runs of blanks.
      "sql \"select 'a=1   b' as v,  1.5 as r\"\n"
      "record\n"
      "sql \"select * from Message where ID = 1\"\n"
      "Record\n"
      "db\n"
      "close\n";
  const std::string expected =
      "-"
      "-Account [TABLE]\n"
      "MailProvider [TABLE]\n"
      "Message [TABLE]\n"
      "AccountProvider [VIEW]\n"
      "sqlite_master [SYSTEM TABLE]\n"
      "-"
      "-ID              3\n"
      "Account         \"orders@lindenmill.example\"\n" +
      kSeparator +
      "-"
      "-1 record(s) in current recordset.\n"
      "-"
      "-v               \"a=1 b\"\n"
      "r               1.500000\n" +
      kSeparator +
      "-"
      "-ID              1\n"
      "AccountID       1\n"
      "Subject         \"Welcome to Brightpost\"\n"
      "Received        2003/10/1 9:12:44\n"
      "Size            2048\n"
      "Header          <Binary>\n" +
      kSeparator +
      "-main\n"
      "--";
  EXPECT_EQ(Transcript(script), expected);
}

// A line longer than the token list or the line buffer is cut short by the shell; what is left can
// still be a valid statement that does something else than was typed.
TEST(SampleSessionTest, LinesCutShortNeverReachTheDatabase) {
  const std::string cutStatement = "-Statement not run: the line is longer than 16 tokens or 319 bytes.\n";
  const std::string longText(330, 'x');
  const std::string script =
      "open a b c d e f g h i j k l m n o p q\n"
      "record\n"
      "open \"Data Source=sample.db\"\n"
      // Cut at 16 tokens this would end in "ID = 1" and delete a message.
      "sql \"delete from Message where AccountID = 1 and Size > 2000 and ID = 12\"\n"
      // The first 319 bytes go to the handler, the rest comes as a line of its own.
      "sql \"select '" + longText + "' as v\"\n"
      "sql \"select count(*) as n from Message\"\n"
      "record\n"
      // Exactly 16 tokens, the last of one character: nothing is lost.
      "sql \"select 1 as a, 2 as b, 3 as c, 4 as d, 5\"\n"
      "record\n";
  const std::string expected =
      "-Connection string not used: the line is longer than 16 tokens or 319 bytes.\n"
      "-Open table first!\n"
      "-" +
      cutStatement + cutStatement +
      "-Unknown command> " + std::string(24, 'X') + "' as v Press 'H' for help\n"
      "-"
      "-n               4\n" +
      kSeparator +
      "-"
      "-a               1\n"
      "b               2\n"
      "c               3\n"
      "d               4\n"
      "5               5\n" +
      kSeparator + "-";
  EXPECT_EQ(Transcript(script), expected);
}

// The README's first session, as a terminal shows it: a line that starts with "-" and a letter is
// the prompt and what the user typed, every other line is output. Piped, the program prints the
// same without the typed text.
TEST(SampleSessionTest, ReadmeFirstSessionIsWhatTheProgramPrints) {
  std::ifstream file(std::string(QL_SOURCE_DIR) + "/README.md");
  ASSERT_TRUE(file) << "README.md is missing";
  std::stringstream readme;
  readme << file.rdbuf();
  const std::string text = readme.str();
  const std::size_t heading = text.find("## A first session");
  ASSERT_NE(heading, std::string::npos);
  const std::size_t begin = text.find("```text\n", heading);
  ASSERT_NE(begin, std::string::npos);
  const std::size_t end = text.find("```\n", begin + 8);
  ASSERT_NE(end, std::string::npos);

  std::istringstream block(text.substr(begin + 8, end - begin - 8));
  std::string script;
  std::string expected;
  for (std::string line; std::getline(block, line);) {
    if (line.size() > 1 && line[0] == '-' && line[1] != '-') {
      script += line.substr(1) + "\n";
      expected += "-";
    } else {
      expected += line + "\n";
    }
  }
  const auto run = apptest::RunScript(script);
  EXPECT_EQ(run.output, expected);
  EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
