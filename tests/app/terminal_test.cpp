// The program at a colour terminal: the colours of its prompt, help listing, maker's notice and
// closing lines, and clearing the screen.

#include <gtest/gtest.h>

#include <string>

#include "support/run_in_terminal.h"

namespace {

TEST(TerminalTest, ColoursAndClearScreen) {
  const auto run = testsupport::RunInTerminal("h\nabout\ncls\nq\n");
  std::string help;
  for (const char* line : {"ABOUT \x1b[97m: Copy right infomation", "CLOSE \x1b[97m: Close database",
                           "CLS \x1b[97m: Clear screen",
                           "COUNT \x1b[97m: Get records count in current recordset",
                           "DB \x1b[97m: List databases", "DEMO \x1b[97m: Demo how to use this tools",
                           "H \x1b[97m: Help", "OPEN \x1b[97m: Open database by connection string",
                           "Q \x1b[97m: Quit",
                           "RECORD \x1b[97m: Display current record in current recordset",
                           "SQL \x1b[97m: Execute a SQL command",
                           "T \x1b[97m: Move to next record and display it",
                           "TABLE \x1b[97m: Show all tables in current db",
                           "VER \x1b[97m: Get MDAC Version"}) {
    help += std::string("\x1b[94m") + line + "\n";
  }
  // The year range bright white, the maker yellow, the rest in the terminal's own colours.
  const std::string notice =
      " \x1b[97m(C) 2003-2025 \x1b[93mQuillory\x1b[0m. All rights reserved.\n";
  const std::string expected =
      "-" + help +
      "\x1b[0m-" + notice +
      // Black on black, erase, cursor home; the prompt brings back the terminal's colours.
      "-\x1b[30m\x1b[2J\x1b[3J\x1b[1;1H"
      "\x1b[0m-"
      " Command line \x1b[94mQUERYLOOM\x1b[0m, by \x1b[93mVantero\x1b[0m.\n" +
      notice +
      "\x1b[0m";  // the terminal is handed back in its own colours
  EXPECT_EQ(run.output, expected);
  EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
