// Where a printed text may be joined with the next: exactly where the console's reading of the
// markup gives the same output for the two texts printed apart and joined.

#include <gtest/gtest.h>

#include <string>

#include "console/markup.h"
#include "support/captured_console.h"

namespace {

using testsupport::CapturedConsole;

TEST(MarkupTest, EndsInsideMarkupExactlyWhereJoiningWouldChangeTheOutput) {
  const char* const texts[] = {"", "plain", "#", "a#", "a#0", "a#0e", "##", "a##", "###", "#0e#",
                               "#0##", "x# ", "x#1", "##0e", "#0e##0"};
  for (const std::string first : texts) {
    CapturedConsole apart(true);
    apart.Console().Print("%s", first.c_str());
    apart.Console().Print("%s", "9cz");
    CapturedConsole joined(true);
    joined.Console().Print("%s", (first + "9cz").c_str());
    EXPECT_EQ(console::EndsInsideMarkup(first), apart.Output() != joined.Output()) << '"' << first << '"';
  }
}

}  // namespace
