// ReadLine of the console: one line per call, however the terminal hands the bytes over.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/color_console.h"
#include "support/scripted_terminal.h"

namespace ql {

namespace {

using testsupport::ScriptedTerminal;
using testsupport::TerminalScript;

struct LineCase {
  const char* name;
  std::string input;
  std::int32_t size;               // the caller's buffer
  std::size_t readChunk;           // 0: the terminal hands out all it has
  bool failAtEnd;                  // the input ends in a failed read, not an end of input
  std::vector<std::string> lines;  // what successive calls return before the first 0
};

std::string Repeat(char ch, std::size_t count) { return std::string(count, ch); }

const LineCase kLineCases[] = {
    {"lines never glued together", "a\nb\n", 320, 0, false, {"a\n", "b\n"}},
    {"long line in pieces", Repeat('x', 400) + "\n", 320, 0, false, {Repeat('x', 319), Repeat('x', 81) + "\n"}},
    {"line that fills the buffer", Repeat('x', 319) + "\nq\n", 320, 0, false, {Repeat('x', 319), "\n", "q\n"}},
    {"last line without a line end", "h\nabc", 320, 0, false, {"h\n", "abc"}},
    {"empty input", "", 320, 0, false, {}},
    {"empty lines", "\n\n", 320, 0, false, {"\n", "\n"}},
    {"carriage return kept", "a\r\nb\r\n", 320, 0, false, {"a\r\n", "b\r\n"}},
    {"byte by byte", "hello\nworld\n", 320, 1, false, {"hello\n", "world\n"}},
    {"odd chunks across lines", "abc\ndefgh\nij\n", 320, 3, false, {"abc\n", "defgh\n", "ij\n"}},
    {"tiny buffer", "ab\n", 2, 0, false, {"a", "b", "\n"}},
    {"no room for a byte", "ab\n", 1, 0, false, {}},
    {"no buffer size at all", "ab\n", 0, 0, false, {}},
    {"line beyond the input buffer",
     Repeat('y', 40000) + "\nq\n",
     30000,
     4096,
     false,
     {Repeat('y', 29999), Repeat('y', 10001) + "\n", "q\n"}},
    {"failed read after whole lines", "abc\n", 320, 0, true, {"abc\n"}},
    {"failed read drops half a line", "abc\nde", 320, 0, true, {"abc\n"}},
    {"zero bytes stay in the count", std::string("a\0b\n", 4), 320, 0, false, {std::string("a\0b\n", 4)}},
};

class LineInputTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineInputTest, OneLinePerCall) {
  const LineCase& c = GetParam();
  auto script = std::make_shared<TerminalScript>();
  script->input = c.input;
  script->readChunk = c.readChunk;
  script->failAtEnd = c.failAtEnd;
  console::ColorConsole console(ScriptedTerminal(script));
  std::vector<char> buffer(static_cast<std::size_t>(std::max(c.size, 1)) + 1, '?');
  std::vector<std::string> lines;
  for (int call = 0; call < 100; ++call) {
    const std::int32_t count = console.ReadLine(buffer.data(), c.size);
    if (count == 0) {
      // The end: an empty text, and the same again on every further call.
      EXPECT_EQ(buffer[0], c.size > 0 ? '\0' : '?');
      EXPECT_EQ(console.ReadLine(buffer.data(), c.size), 0);
      break;
    }
    ASSERT_GT(count, 0);
    ASSERT_LT(count, c.size);
    EXPECT_EQ(buffer[static_cast<std::size_t>(count)], '\0');
    EXPECT_EQ(buffer[static_cast<std::size_t>(c.size)], '?') << "written past the buffer";
    lines.emplace_back(buffer.data(), static_cast<std::size_t>(count));
  }
  EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineInputTest, ::testing::ValuesIn(kLineCases), [](const auto& info) {
  std::string name;
  for (const char* p = info.param.name; *p != '\0'; ++p) {
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  }
  return name;
});

// Whole lines however long, NULs kept; a line over the limit is skipped to its end and the next
// line comes whole.
TEST(LineInputTest, WholeLinesUpToTheLimit) {
  struct Case {
    const char* name;
    std::string input;
    std::size_t readChunk;
    bool failAtEnd;
    std::vector<std::pair<console::LineReader::Status, std::string>> lines;
    bool interruptAtEnd = false;
  };
  using Status = console::LineReader::Status;
  const std::size_t limit = 50000;
  const Case cases[] = {
      {"long line whole",
       Repeat('x', 40000) + "\nq\n",
       4096,
       false,
       {{Status::kLine, Repeat('x', 40000) + "\n"}, {Status::kLine, "q\n"}}},
      {"exactly the limit", Repeat('x', limit) + "\n", 0, false, {{Status::kLine, Repeat('x', limit) + "\n"}}},
      {"over the limit, then the next line",
       Repeat('x', limit + 1) + "\nsql 1\n",
       1000,
       false,
       {{Status::kTooLong, ""}, {Status::kLine, "sql 1\n"}}},
      {"over the limit at the end",
       "a\n" + Repeat('x', 3 * limit),
       0,
       false,
       {{Status::kLine, "a\n"}, {Status::kTooLong, ""}}},
      {"last line without a line end", "h\nabc", 0, false, {{Status::kLine, "h\n"}, {Status::kLine, "abc"}}},
      {"NUL kept", std::string("a\0b\n", 4), 0, false, {{Status::kLine, std::string("a\0b\n", 4)}}},
      {"failed read drops half a line", "abc\nde", 0, true, {{Status::kLine, "abc\n"}}},
      {"Ctrl-C drops half a line", "abc\nde", 0, false, {{Status::kLine, "abc\n"}, {Status::kDropped, "\n"}}, true},
  };
  for (const Case& c : cases) {
    auto script = std::make_shared<TerminalScript>();
    script->input = c.input;
    script->readChunk = c.readChunk;
    script->failAtEnd = c.failAtEnd;
    script->interruptAtEnd = c.interruptAtEnd;
    console::ColorConsole console(ScriptedTerminal(script));
    std::vector<std::pair<Status, std::string>> lines;
    std::string line;
    for (Status status; (status = console.ReadWholeLine(line, limit)) != Status::kEnd;) {
      lines.emplace_back(status, line);
    }
    EXPECT_TRUE(line.empty()) << c.name;
    EXPECT_EQ(lines, c.lines) << c.name;
  }
}

TEST(LineInputTest, ReadsTheTerminalInLargeBlocksNotByteByByte) {
  std::string input;
  for (int i = 0; i < 1000; ++i) input += "line " + std::to_string(i) + "\n";
  auto script = std::make_shared<TerminalScript>();
  script->input = input;
  console::ColorConsole console(ScriptedTerminal(script));
  char line[320];
  int lines = 0;
  while (console.ReadLine(line, sizeof line) > 0) ++lines;
  EXPECT_EQ(lines, 1000);
  // The 9890 bytes come with one read; one more finds the end.
  EXPECT_EQ(script->readCalls, 2u);
}

}  // namespace

}  // namespace ql
