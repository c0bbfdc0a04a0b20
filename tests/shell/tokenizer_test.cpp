#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "shell/tokenizer.h"

namespace ql {

namespace shell {
namespace {

constexpr const char* kKindNames[] = {"Blank", "Word", "Number", "HexNumber", "Operator", "Quote", "Other"};

// The token list as "text/Kind" pairs separated by blanks.
std::string Describe(const Tokenizer& shell) {
  std::string text;
  for (std::int32_t i = 0; i < shell.TokenCount(); ++i) {
    if (i > 0) text += ' ';
    text += shell.Tokens()[i];
    text += '/';
    text += kKindNames[shell.TokenKinds()[i]];
  }
  return text;
}

// A tokenizer and what it made of a line, as text. Its token area is on the heap at its exact size,
// so that AddressSanitizer sees any write past it.
class Split {
 public:
  explicit Split(bool wordsOnly = false) : line(wordsOnly) {}

  std::string Tokens(const std::string& text) {
    line.Tokenize(text.c_str());
    return Describe(line);
  }
  std::string Arguments() {
    char out[1024];
    return line.JoinArguments(out);
  }
  std::string Join(std::int32_t first, std::int32_t n) {
    char out[1024];
    line.JoinTokens(first, n, out);
    return out;
  }

  Tokenizer line;
};

struct TokenCase {
  const char* line;
  const char* tokens;
};

TEST(Tokenizer, SplitsLinesIntoTypedTokens) {
  const TokenCase cases[] = {
      {"0x1F", "0x1F/HexNumber"},
      {"0XfF", "0XfF/HexNumber"},
      {"10x", "1/Number 0x/HexNumber"},
      {"00x1", "0/Number 0x1/HexNumber"},
      {"0xZZ", "0x/HexNumber ZZ/Word"},
      {"deadbeef", "deadbeef/Word"},
      {"12ab", "12/Number ab/Word"},
      {"3.14.15", "3.14.15/Number"},
      {".5", ".5/Number"},
      {"1.", "1./Number"},
      {"a.b", "a/Word ./Other b/Word"},
      {"a.5", "a/Word .5/Number"},
      {"0 x", "0/Number x/HexNumber"},
      {"-5", "-/Operator 5/Number"},
      {"a,b", "a/Word ,/Other b/Word"},
      {"?+-*/=", "?+-*/=/Operator"},
      {"x=0x1fg+2.5e3", "x/Word =/Operator 0x1f/HexNumber g/Word +/Operator 2.5/Number e/Word 3/Number"},
      {"sql 'select * from account'", "sql/Word select/Word */Word from/Word account/Word"},
      {"open 'Provider=Microsoft.Jet.OLEDB.4.0;Data Source=xxx.mdb;'",
       "open/Word Provider=Microsoft.Jet.OLEDB.4.0;Data/Word Source=xxx.mdb;/Word"},
      {"xy'zw'", "xyzw/Word"},
      {"1'2'", "1/Number 2/Word"},
      {"'it\"s'", "it\"s/Word"},
      {"\"it's\"", "it's/Word"},
      {"''", ""},
      {"a\x80"
       "b",
       "a/Word \x80/Other b/Word"},
      {"caf\xC3\xA9s", "caf/Word \xC3\xA9/Other s/Word"},
      {"sql\tx\r\n", "sql/Word x/Word"},
      {"   \n", ""},
      {"", ""},
  };
  for (const TokenCase& c : cases) {
    Split tokenizer;
    EXPECT_EQ(tokenizer.Tokens(c.line), c.tokens) << "line: " << c.line;
    EXPECT_EQ(tokenizer.line.OpenQuote(), 0) << "line: " << c.line;
  }
}

TEST(Tokenizer, ClassifiesEveryByteIntoExactlyOneKind) {
  Tokenizer shell(false);
  std::string members[7];
  for (int ch = 1; ch < 256; ++ch) {
    members[shell.Classify(static_cast<unsigned char>(ch))] += static_cast<char>(ch);
  }
  EXPECT_EQ(members[Blank], "\t\n\r ");
  EXPECT_EQ(members[Number], "0123456789");
  EXPECT_EQ(members[Operator], "*+-/=?");
  EXPECT_EQ(members[Quote], "\"'");
  EXPECT_EQ(members[Word], "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(members[HexNumber], "");
  EXPECT_EQ(members[Other].size(), 255u - 4 - 10 - 6 - 2 - 52);
}

TEST(Tokenizer, WordsOnlyMakesEveryNonBlankAWordExceptTheHexPrefix) {
  Split tokenizer(true);
  EXPECT_EQ(tokenizer.Tokens("a+b 0x12 1.5 'q'"), "a+b/Word 0x/HexNumber 12/Word 1.5/Word 'q'/Word");
  EXPECT_EQ(tokenizer.line.OpenQuote(), 0);
  EXPECT_EQ(tokenizer.line.Classify(' '), Blank);
  EXPECT_EQ(tokenizer.line.Classify(0xE9), Word);
}

TEST(Tokenizer, StoresEachTokenAfterANulAndEndsWithOne) {
  Split tokenizer;
  ASSERT_EQ(tokenizer.line.Tokenize("A  B\tC"), 3);
  EXPECT_EQ(std::memcmp(tokenizer.line.Tokens()[0] - 1, "\0A\0B\0C\0", 7), 0);
  EXPECT_EQ(tokenizer.line.Tokens()[2], tokenizer.line.Tokens()[0] + 4);

  EXPECT_EQ(tokenizer.line.Tokenize("   \r\n"), 0);
  // An empty line clears the list too, so nothing stale can be joined.
  tokenizer.Tokens("a b c");
  EXPECT_EQ(tokenizer.line.Tokenize(""), 0);
  EXPECT_EQ(tokenizer.Arguments(), "");
}

TEST(Tokenizer, StopsAtTheSixteenthTokenAfterItsFirstCharacter) {
  Split tokenizer;
  EXPECT_EQ(tokenizer.Tokens("w1 w2 w3 w4 w5 w6 w7 w8 w9 wa wb wc wd we wf sixteen seventeen"),
            "w/Word 1/Number w/Word 2/Number w/Word 3/Number w/Word 4/Number w/Word 5/Number "
            "w/Word 6/Number w/Word 7/Number w/Word 8/Number");

  std::string words;
  for (int i = 0; i < 17; ++i) words += "word" + std::string(1, static_cast<char>('a' + i)) + " ";
  tokenizer.Tokens(words);
  ASSERT_EQ(tokenizer.line.TokenCount(), 16);
  EXPECT_STREQ(tokenizer.line.Tokens()[14], "wordo");
  EXPECT_STREQ(tokenizer.line.Tokens()[15], "w");

  EXPECT_EQ(tokenizer.Tokens("open Provider=Microsoft.Jet.OLEDB.4.0;Data Source=xxx.mdb;"),
            "open/Word Provider/Word =/Operator Microsoft/Word ./Other Jet/Word ./Other "
            "OLEDB/Word .4.0/Number ;/Other Data/Word Source/Word =/Operator xxx/Word ./Other "
            "m/Word");
  EXPECT_EQ(tokenizer.Arguments(), "Provider = Microsoft . Jet . OLEDB .4.0 ; Data Source = xxx . m");
}

TEST(Tokenizer, QuoteLeftOpenContinuesOnTheNextLine) {
  Split tokenizer;
  EXPECT_EQ(tokenizer.Tokens("sql 'select 1"), "sql/Word select/Word 1/Word");
  EXPECT_EQ(tokenizer.line.OpenQuote(), '\'');
  EXPECT_EQ(tokenizer.Tokens("more text"), "more/Word text/Word");
  EXPECT_EQ(tokenizer.line.OpenQuote(), '\'');
  // The other mark is an ordinary character inside the quote; the matching one closes it.
  EXPECT_EQ(tokenizer.Tokens("\"2' 3"), "\"2/Word 3/Number");
  EXPECT_EQ(tokenizer.line.OpenQuote(), 0);
}

TEST(Tokenizer, JoinsTokensWithSingleBlanks) {
  Split tokenizer;
  tokenizer.Tokens("sql 'select * from account'");
  EXPECT_EQ(tokenizer.Arguments(), "select * from account");
  EXPECT_EQ(tokenizer.Join(2, 2), "* from");
  EXPECT_EQ(tokenizer.Join(1, 0), "");
  EXPECT_EQ(tokenizer.Join(1, -3), "");
  // A range reaching past the list is cut to it instead of reading stale entries.
  EXPECT_EQ(tokenizer.Join(3, 10), "from account");
  EXPECT_EQ(tokenizer.Join(-1, 2), "sql");

  tokenizer.Tokens("open  x \t  y");
  EXPECT_EQ(tokenizer.Arguments(), "x y");
  tokenizer.Tokens("open");
  EXPECT_EQ(tokenizer.Arguments(), "");
}

// The text after the command word as typed: only the blanks around it and one pair of enclosing
// marks go. A text that starts with a mark it does not end with is still open.
TEST(Tokenizer, ArgumentTextIsTheRestOfTheLineAsTyped) {
  const std::string longStatement = "select " + std::string(100000, 'x') + " from t";
  struct Case {
    std::string line;
    std::string text;
    char open = 0;
  };
  const Case cases[] = {
      {"sql \"select * from account\"", "select * from account"},
      {"open \"Data Source=sample.db\"", "Data Source=sample.db"},
      {"open Provider=Microsoft.Jet.OLEDB.4.0;Data Source=xxx.mdb;",
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=xxx.mdb;"},
      {"  sql  \t select b from t where a>=2 \t\r\n", "select b from t where a>=2"},
      {"sql \"select \"My Col\" from \"My Table\"\"", "select \"My Col\" from \"My Table\""},
      {"sql 'select ''it''''s'", "select ''it''''s"},
      {"sql \"select '{\"a\": 1}', 'Super  Widget'\"", "select '{\"a\": 1}', 'Super  Widget'"},
      {"sql select 'a\t\tb'", "select 'a\t\tb'"},
      // Only the mark the text starts with is dropped at its end.
      {"sql \"select 'x'", "select 'x'", '"'},
      {"sql 'select \"x\"", "select \"x\"", '\''},
      {"sql \"", "", '"'},
      {"sql \"\"", ""},
      {"sql  'x' \t", "x"},
      {"sql \"a\nb\"", "a\nb"},
      {"sql \"a\nb\n", "a\nb", '"'},
      {"sql", ""},
      {"sql " + longStatement, longStatement},
      {std::string("sql select 1\0 and 2", 20), std::string("select 1\0 and 2", 16)},
  };
  for (const Case& c : cases) {
    Split tokenizer;
    tokenizer.line.Tokenize(std::string_view(c.line));
    EXPECT_EQ(tokenizer.line.ArgumentText(), c.text) << c.line;
    EXPECT_EQ(tokenizer.line.ArgumentOpenMark(), c.open) << c.line;
  }
}

// Tokens end at a NUL, but a quote closed after it is closed for the next line.
TEST(Tokenizer, QuoteStateCountsTheMarksAfterANul) {
  Split tokenizer;
  const std::string line("sql \"a\0 b\"", 11);
  tokenizer.line.Tokenize(std::string_view(line));
  EXPECT_EQ(Describe(tokenizer.line), "sql/Word a/Word");
  EXPECT_EQ(tokenizer.line.OpenQuote(), 0);
}

// 15 tokens holding 318 bytes, then a 16th of one byte: all 319 bytes of the longest line the
// loop reads are copied, with 17 NULs around them.
TEST(Tokenizer, WorstCaseLineFitsTheArea) {
  const std::string line = std::string(304, 'a') + "1a1a1a1a1a1a1a" + "1";
  ASSERT_EQ(line.size(), static_cast<std::size_t>(Tokenizer::kLineSize - 1));
  Split tokenizer;
  tokenizer.Tokens(line);
  ASSERT_EQ(tokenizer.line.TokenCount(), 16);
  EXPECT_EQ(std::string(tokenizer.line.Tokens()[0]), std::string(304, 'a'));
  EXPECT_STREQ(tokenizer.line.Tokens()[15], "1");
  char joined[1024];
  tokenizer.line.JoinTokens(0, 16, joined);
  EXPECT_EQ(std::strlen(joined), line.size() + 15);
}

TEST(Tokenizer, LineLongerThanTheAreaKeepsWholeTokensBeforeTheCut) {
  Split tokenizer;
  const std::int32_t area = Tokenizer::kTokenTextSize;

  tokenizer.Tokens(std::string(2000, 'a'));
  ASSERT_EQ(tokenizer.line.TokenCount(), 1);
  EXPECT_EQ(std::strlen(tokenizer.line.Tokens()[0]), static_cast<std::size_t>(area - 2));

  tokenizer.Tokens("first " + std::string(1000, '7') + " last");
  ASSERT_EQ(tokenizer.line.TokenCount(), 2);
  EXPECT_STREQ(tokenizer.line.Tokens()[0], "first");
  EXPECT_EQ(std::strlen(tokenizer.line.Tokens()[1]), static_cast<std::size_t>(area - 8));

  // A new token needs room for its NUL, its first byte and the final NUL.
  tokenizer.Tokens(std::string(area - 3, 'a') + "1");
  ASSERT_EQ(tokenizer.line.TokenCount(), 1);
  tokenizer.Tokens(std::string(area - 4, 'a') + "12");
  ASSERT_EQ(tokenizer.line.TokenCount(), 2);
  EXPECT_STREQ(tokenizer.line.Tokens()[1], "1");
}

}  // namespace
}  // namespace shell

}  // namespace ql
