// Sessions on the sample database, and the first session that the README shows a newcomer.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "program_script.h"
#include "support/readme_session.h"

namespace ql {

namespace {

using apptest::Transcript;

// The report of a connection string that Open refuses.
std::string Report(const std::string& description) {
  return testsupport::Report(101, "80004005", "Unspecified failure.", "Connection", description);
}

const std::string kSeparator = std::string(79, '-') + "\n";

// Typed lines and what the database stored or returned. Each row is a line, then the record the
// next "record" shows (none when empty). Everything after the command word reaches the database
// as typed: blanks, tabs, both quotation marks, operators without blanks, any length.
TEST(SampleSessionTest, StatementsReachTheDatabaseAsTyped) {
  const std::string mebibyte(1 << 20, 'm');
  std::string manyWords = "select 1";
  for (int i = 0; i < 300; ++i) manyWords += " + 1";
  const std::string pastTheOldBuffer(330, 'x');
  const std::string nulStatement =
      std::string("sql \"delete from Message where AccountID = 1") + '\0' + " and Size = 0\"";
  auto record = [](std::initializer_list<std::pair<std::string, std::string>> fields) {
    std::string text;
    for (const auto& [name, value] : fields) text += name + std::string(16 - name.size(), ' ') + value + "\n";
    return text + kSeparator;
  };
  struct Case {
    std::string line;
    std::string shown;  // what the line itself prints
    std::string record;
  };
  const std::vector<Case> cases = {
      // Not key=value: refused, and nothing else is opened in its place.
      {"open sample.db",
       Report("Connection string not understood: \"sample.db\" is not of the form "
              "key=value. To open a file, write Data Source=sample.db."),
       ""},
      {"open \"Data Source=sample.db\"", "", ""},
      {"sql   select  ID,   Account   from Account where ID = 3", "",
       record({{"ID", "3"}, {"Account", "\"orders@lindenmill.example\""}})},
      {"sql \"select 'a=1   b' as v,  1.5 as r\"", "", record({{"v", "\"a=1   b\""}, {"r", "1.500000"}})},
      {"sql select 'Super  Widget' as v, '   lead' as w", "",
       record({{"v", "\"Super  Widget\""}, {"w", "\"   lead\""}})},
      {"sql select 'a\t\tb' as v", "", record({{"v", "\"a\t\tb\""}})},
      {"sql \"select '{\"a\": 1}' as v, 'it''s' as w\"", "", record({{"v", "\"{\"a\": 1}\""}, {"w", "\"it's\""}})},
      {"sql 'select 1 as \"a b\"'", "", record({{"a b", "1"}})},
      {"sql select 3>=2 as v, 'x'||'y' as w", "", record({{"v", "1"}, {"w", "\"xy\""}})},
      {"sql \"select \"My Col\" from (select 5 as \"My Col\")\"", "", record({{"My Col", "5"}})},
      {"sql select count(*) as n from (select 'a  b' as s union all select 'a b') where s like '%  %'", "",
       record({{"n", "1"}})},
      {"sql " + manyWords + " as v", "", record({{"v", "301"}})},
      {"sql select length('" + mebibyte + "') as n", "", record({{"n", "1048576"}})},
      // What stands past byte 319 is part of the statement, never a command of its own.
      {"sql select length('" + pastTheOldBuffer + "\" q') as n", "", record({{"n", "333"}})},
      {"sql create table t (\"My Col\" text, v text)", "", ""},
      {"sql \"insert into t values ('x\ty', '  two  blanks  #1 ')\"", "", ""},
      {"sql select * from t", "", record({{"My Col", "\"x\ty\""}, {"v", "\"  two  blanks  #1 \""}})},
      // A NUL would cut the statement to its first condition: refused whole, nothing deleted.
      {nulStatement, "Statement not run: the text holds a NUL byte.\n", ""},
      {std::string("open Data Source=sample.db") + '\0' + "x",
       "Connection string not used: the text holds a NUL byte.\n", ""},
      {"sql select count(*) as n from Message", "", record({{"n", "4"}})},
  };
  std::string script;
  std::string expected;
  for (const Case& c : cases) {
    script += c.line + "\n";
    expected += "-" + c.shown;
    if (!c.record.empty()) {
      script += "record\n";
      expected += "-" + c.record;
    }
  }
  EXPECT_EQ(Transcript(script), expected + "-");
}

// The README's first session is what the program prints.
TEST(SampleSessionTest, ReadmeFirstSessionIsWhatTheProgramPrints) {
  const auto session = testsupport::ReadmeFirstSession();
  const auto run = apptest::RunScript(session.script);
  EXPECT_EQ(run.output, session.expected);
  EXPECT_EQ(run.exitCode, 0);
}

}  // namespace

}  // namespace ql
