// What Tab offers at the prompt, and which entries the history file may keep.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/completion.h"
#include "app/history_privacy.h"

namespace ql {

namespace {

TEST(CompletionTest, CandidatesByWhereTheWordStands) {
  const std::map<std::string, std::vector<std::string>> columns = {{"Account", {"ID", "Account", "SetupDate"}},
                                                                   {"Message", {"ID", "AccountID", "Subject"}}};
  std::vector<std::string> asked;  // the tables whose columns were asked for
  const app::CompletionNames names{
      {"ABOUT", "CLOSE", "CLS", "COUNT", "Q", "SQL", "T", "TABLE"},
      [] {
        return std::vector<std::string>{"Account", "AccountProvider", "Message", "My Table", "2nd"};
      },
      [&](const std::string& table) {
        asked.push_back(table);
        const auto found = columns.find(table);
        return found != columns.end() ? found->second : std::vector<std::string>{};
      }};
  struct Case {
    std::string before;
    std::string after;
    std::vector<std::string> candidates;
  };
  const Case cases[] = {
      {"c", "", {"close", "cls", "count"}},
      {"  T", "", {"T", "TABLE"}},
      {"sql sel", "", {"select"}},
      {"sql \"SEL", "", {"SELECT"}},
      // After FROM only tables, and none that would need quotation marks.
      {"sql select * from ", "", {"Account", "AccountProvider", "Message"}},
      {"sql select * from Account where Se", "", {"select", "set", "SetupDate"}},
      {"sql select a.", " from Account a", {"ID", "Account", "SetupDate"}},
      {"sql select ACCOUNT.Se", "", {"SetupDate"}},
      {"sql select Message.Acc", "", {"AccountID"}},
      {"sql select x.", " from Account", {}},
      {"sql select 'Acc", "", {}},
      {"sql 'select Acc", "", {"Account", "AccountProvider"}},
      {"sql \"select 1,\n2 from Mes", "", {"Message"}},
      {"columns Me", "", {"Message"}},
      {"columns Message I", "", {}},
      {"table Acc", "", {}},
  };
  for (const Case& c : cases) {
    const console::CompletionRequest request{c.before, c.after, console::CompletedWord(c.before)};
    EXPECT_EQ(app::CompletionCandidates(request, names), c.candidates) << c.before;
  }
  // Columns are asked for by the name the catalogs gave.
  EXPECT_NE(std::find(asked.begin(), asked.end(), "Account"), asked.end());
  EXPECT_EQ(std::find(asked.begin(), asked.end(), "ACCOUNT"), asked.end());
}

TEST(HistoryPrivacyTest, NothingThatMayHoldAPasswordIsWritten) {
  const std::pair<std::string, bool> cases[] = {
      {"open \"Data Source=shop.db\"", false},
      {" \tOPEN x", false},
      {"sql \"select *\nfrom t\"", true},
      {"sql select 'password'", true},
      {"sql select 1 -- Pwd = x", false},
      {"sql \"Driver={X};PASSWORD=s\"", false},
      {"sql select 'postgresql://clerk:secret@db/shop'", false},
      {"sql select 'postgres://clerk:se/c@ret@db'", false},
      {"sql select 'postgresql://db:5432/shop'", true},
      {"sql select 'postgresql://clerk@db/shop'", true},
  };
  for (const auto& [entry, kept] : cases) EXPECT_EQ(app::MayKeepInHistoryFile(entry), kept) << entry;
}

}  // namespace

}  // namespace ql
