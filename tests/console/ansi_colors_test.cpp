#include "console/ansi_colors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace ql {

namespace {

using console::ColorChange;

struct ChangeCase {
  std::uint16_t from;
  std::uint16_t to;
  std::string sequence;
};

TEST(ColorChangeTest, WritesOnlyWhatDiffers) {
  const ChangeCase cases[] = {
      {0x07, 0x07, ""},
      {0x07, 0x09, "\x1b[94m"},     // bright blue, default background
      {0x07, 0x0E, "\x1b[93m"},     // yellow
      {0x07, 0x0F, "\x1b[97m"},     // bright white
      {0x07, 0x0A, "\x1b[92m"},     // bright green
      {0x07, 0x0C, "\x1b[91m"},     // bright red
      {0x07, 0x01, "\x1b[34m"},     // blue: bits 0 and 2 swap
      {0x07, 0x04, "\x1b[31m"},     // red
      {0x07, 0x06, "\x1b[33m"},     // red + green
      {0x07, 0x03, "\x1b[36m"},     // green + blue
      {0x07, 0x08, "\x1b[90m"},     // intensity alone
      {0x07, 0x00, "\x1b[30m"},     // black on the default background
      {0x07, 0x17, "\x1b[37;44m"},  // grey on blue is not the terminal's own colours
      {0x07, 0x70, "\x1b[30;47m"},
      {0x07, 0xF0, "\x1b[30;107m"},
      {0x07, 0x9E, "\x1b[93;104m"},
      {0x09, 0x07, "\x1b[0m"},
      {0x1F, 0x07, "\x1b[0m"},
      {0x0E, 0x09, "\x1b[94m"},
      {0x1F, 0x09, "\x1b[94;49m"},  // the blue background has to go
      {0x1E, 0x2E, "\x1b[42m"},
      {0x0107, 0x07, ""},  // bits above the low eight do not count
      {0x09, 0xFF09, ""},
  };
  for (const ChangeCase& c : cases) {
    EXPECT_EQ(ColorChange(c.from, c.to).Text(), c.sequence) << std::hex << "from 0x" << c.from << " to 0x" << c.to;
  }
}

// What a terminal shows after a run of SGR sequences: foreground and background parameter.
using Shown = std::pair<int, int>;
constexpr Shown kTerminalDefaults{39, 49};

Shown Apply(Shown shown, std::string_view sequence) {
  if (sequence.empty()) return shown;
  EXPECT_EQ(sequence.substr(0, 2), "\x1b[");
  EXPECT_EQ(sequence.back(), 'm');
  std::string_view parameters = sequence.substr(2, sequence.size() - 3);
  while (!parameters.empty()) {
    const std::size_t end = std::min(parameters.find(';'), parameters.size());
    const int value = std::stoi(std::string(parameters.substr(0, end)));
    if (value == 0) {
      shown = kTerminalDefaults;
    } else if ((value >= 30 && value <= 39) || (value >= 90 && value <= 97)) {
      shown.first = value;
    } else if ((value >= 40 && value <= 49) || (value >= 100 && value <= 107)) {
      shown.second = value;
    } else {
      ADD_FAILURE() << "unexpected parameter " << value;
    }
    parameters.remove_prefix(std::min(end + 1, parameters.size()));
  }
  return shown;
}

// Whatever the terminal showed before, each change lands on exactly the colours that attribute
// has when drawn from the terminal's defaults, and no two attributes look alike.
TEST(ColorChangeTest, EveryChangeReachesItsTarget) {
  std::map<Shown, int> attributeOf;
  for (int to = 0; to < 256; ++to) {
    const Shown target = Apply(kTerminalDefaults, ColorChange(0x07, to).Text());
    const auto [where, fresh] = attributeOf.emplace(target, to);
    EXPECT_TRUE(fresh) << "0x" << std::hex << to << " looks like 0x" << where->second;
    for (int from = 0; from < 256; ++from) {
      const Shown before = Apply(kTerminalDefaults, ColorChange(0x07, from).Text());
      const ColorChange change(from, to);
      ASSERT_EQ(Apply(before, change.Text()), target) << std::hex << "from 0x" << from << " to 0x" << to;
      ASSERT_EQ(change.Text().empty(), from == to);
    }
  }
}

}  // namespace

}  // namespace ql
