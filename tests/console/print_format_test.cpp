// Print formats the program's conversions itself and leaves the rest to vsnprintf; either way the
// text must be what printf gives.

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "support/captured_console.h"

namespace ql {

namespace {

using testsupport::CapturedConsole;

template <class... Args>
void ExpectLikePrintf(const char* format, Args... args) {
  CapturedConsole captured;
  captured.Console().Print(format, args...);
  char expected[2048];
  std::snprintf(expected, sizeof expected, format, args...);
  EXPECT_EQ(captured.Output(), expected) << format;
}

TEST(PrintFormatTest, ConversionsAndFallbacksGiveWhatPrintfGives) {
  ExpectLikePrintf("plain %% and %%%d%%", 5);
  ExpectLikePrintf("[%s|%-6s|%6s|%2s]", "ab", "cd", "ef", "longer");
  ExpectLikePrintf("%d %i %u %d", -42, 0, 4294967295u, INT_MIN);
  ExpectLikePrintf("[%05d|%-5d|%5d|%-05d|%03d]", -42, 42, 7, 3, 12345);
  ExpectLikePrintf("%x %X %08x %02x %-4x|", 0xbeefu, 0xbeefu, 0u, 7u, 10u);
  ExpectLikePrintf("%c%3c%-3c|", 'a', 'b', 'c');
  // Past the conversions formatted directly: precision, length modifiers, other flags.
  ExpectLikePrintf("%5.2f|%ld|%+d|% d|%.3s|%08lx", 2.5, 1L << 40, 3, 4, "abcdef", 0x80004005L);
  // Too long for the direct path after some arguments were read: all of them are read again.
  const std::string longText(600, 'x');
  ExpectLikePrintf("%d %s %d", 1, longText.c_str(), 2);
}

}  // namespace

}  // namespace ql
