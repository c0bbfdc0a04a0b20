// Tab at the line editor: the word it completes, how far it completes it, and the listing.

#include "console/terminal/completion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ql {

namespace {

TEST(CompletionTest, TheWordEndsAtTheCursor) {
  const std::pair<std::string, std::string> cases[] = {
      {"sql sel", "sel"},
      {"sql \"sel", "sel"},
      {"sql select Account.", ""},
      {"sql select a.Na", "Na"},
      {"sql select $1_x", "$1_x"},
      {"sql select Ums\xC3\xA4", "Ums\xC3\xA4"},
      {"", ""},
      {"open ", ""},
  };
  for (const auto& [before, word] : cases) EXPECT_EQ(console::CompletedWord(before), word) << before;
}

TEST(CompletionTest, TabCompletesAsFarAsTheCandidatesAgree) {
  struct Case {
    std::string word;
    std::vector<std::string> candidates;
    bool blankFollows;
    std::string replacement;
    bool list;
  };
  const Case cases[] = {
      {"acc", {"Account"}, false, "Account ", false},
      {"acc", {"Account"}, true, "Account", false},
      {"acc", {"Account", "AccountProvider"}, false, "Account", false},
      // Nothing longer to add: the case typed stays.
      {"account", {"Account", "account2"}, false, "", true},
      {"Account", {"Account", "AccountProvider"}, false, "", true},
      {"", {"ID", "Name"}, false, "", true},
      // The shared start never ends inside a UTF-8 character.
      {"x", {"x\xC3\xA4", "x\xC3\xB6"}, false, "", true},
      {"u", {"\xC3\x9Cmlaut", "\xC3\x9Cnder"}, false, "\xC3\x9C", false},
      {"sel", {}, false, "", false},
  };
  for (const Case& c : cases) {
    const console::CompletionStep step = console::PlanCompletion(c.word, c.candidates, c.blankFollows);
    EXPECT_EQ(step.replacement, c.replacement) << c.word;
    EXPECT_EQ(step.list, c.list) << c.word;
  }
}

// Sorted down then across, padded only between columns; a name that would drive the terminal shows
// escaped.
TEST(CompletionTest, CandidatesListInColumns) {
  EXPECT_EQ(console::CandidateColumns({"e", "dddd", "a", "ccc", "bb", "a"}, 20), "a     ccc   e\nbb    dddd\n");
  EXPECT_EQ(console::CandidateColumns({"x\x1b[2J", "wide"}, 3), "wide\nx\\x1b[2J\n");
}

}  // namespace

}  // namespace ql
