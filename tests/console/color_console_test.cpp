#include "console/color_console.h"
#include "console/terminal/shown_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "console/output_buffer.h"
#include "support/captured_console.h"
#include "support/run_program.h"
#include "support/scripted_terminal.h"
#include "support/temporary_directory.h"

namespace ql {

namespace {

using testsupport::CapturedConsole;
using testsupport::ScriptedTerminal;
using testsupport::TerminalScript;

// Removes the SGR sequences from what a colour terminal received: what a pipe gets instead.
std::string WithoutEscapes(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\x1b') {
      i = text.find('m', i);
      continue;
    }
    plain += text[i];
  }
  return plain;
}

struct MarkupCase {
  const char* name;
  std::vector<std::string> texts;               // printed one after the other, each with one Print
  std::string onTerminal;                       // the bytes a colour terminal receives
  std::optional<std::uint16_t> attributeAfter;  // nothing: the attribute did not change
};

const MarkupCase kMarkupCases[] = {
    {"doubled marker", {"left##right"}, "left#right", std::nullopt},
    {"marker pairs and an escape", {"a###0eb"}, "a#\x1b[93mb", 0x0E},
    {"closing line",
     {" #07Command line #09QUERYLOOM#07, by #0eVantero#07.\n"},
     " Command line \x1b[94mQUERYLOOM\x1b[0m, by \x1b[93mVantero\x1b[0m.\n",
     0x07},
    {"leading blank keeps the previous colour", {"#0ex", " #07Command"}, "\x1b[93mx \x1b[0mCommand", 0x07},
    {"escape alone", {"#0e"}, "", std::nullopt},
    {"escape at the very end", {"tail#0e"}, "tail", std::nullopt},
    {"escape then text", {"#0etail"}, "\x1b[93mtail", 0x0E},
    {"attribute carried to the next print", {"#0etail", "more"}, "\x1b[93mtailmore", 0x0E},
    {"marker as the last byte", {"tail#"}, "tail", std::nullopt},
    {"escape cut after one digit", {"tail#f"}, "tail", std::nullopt},
    {"non-hex background digit", {"#G1x"}, "\x1b[34mx", 0x01},
    {"non-hex foreground digit", {"#1Gx"}, "\x1b[30;44mx", 0x10},
    {"no hex digit at all", {"#zzText"}, "\x1b[30mText", 0x00},
    {"escape swallows a line end", {"a#0\nb"}, "a\x1b[30mb", 0x00},
    {"empty text", {""}, "", std::nullopt},
    {"upper-case digits", {"#1Fx#07y"}, "\x1b[97;44mx\x1b[0my", 0x07},
    {"background back to the default", {"#1fa#09b"}, "\x1b[97;44ma\x1b[94;49mb", 0x09},
    {"attribute only shown for text", {"#0e#07x"}, "x", 0x07},
    // The empty run between the two escapes sets the attribute, and the terminal is brought to
    // it before anything else happens, so that typed input shows in it.
    {"empty run still sets the attribute", {"a#0e#0a"}, "a\x1b[93m", 0x0E},
    {"same colour, no new sequence", {"#0ea", "#0eb"}, "\x1b[93mab", 0x0E},
    {"bytes above 0x7f pass", {"h\xc3\xa9#0e\xc3\xa9"}, "h\xc3\xa9\x1b[93m\xc3\xa9", 0x0E},
};

class MarkupTest : public ::testing::TestWithParam<MarkupCase> {};

// Every case printed through a format ("%s") and, when it has no '%', as the format itself: both
// roads must give the same bytes.
TEST_P(MarkupTest, ColourTerminalGetsEscapesPipeGetsPlainText) {
  const MarkupCase& c = GetParam();
  for (const bool asFormat : {false, true}) {
    for (const bool colour : {true, false}) {
      SCOPED_TRACE(std::string(asFormat ? "as format" : "through %s") + (colour ? ", colour terminal" : ", pipe"));
      CapturedConsole captured(colour);
      console::ColorConsole& console = captured.Console();
      const std::uint16_t start = console.CurrentAttribute();
      EXPECT_EQ(start, colour ? 0x07 : 0x00);
      for (const std::string& text : c.texts) {
        if (asFormat) {
          console.Print(text.c_str());
        } else {
          console.Print("%s", text.c_str());
        }
      }
      const std::string output = captured.Output();
      if (colour) {
        EXPECT_EQ(output, c.onTerminal);
      } else {
        EXPECT_EQ(output, WithoutEscapes(c.onTerminal));
        EXPECT_EQ(output.find('\x1b'), std::string::npos);
      }
      EXPECT_EQ(console.CurrentAttribute(), c.attributeAfter.value_or(start));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, MarkupTest, ::testing::ValuesIn(kMarkupCases), [](const auto& info) {
  std::string name;
  for (const char* p = info.param.name; *p != '\0'; ++p) {
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  }
  return name;
});

TEST(ColorConsoleTest, MarkupInsideAnArgumentColoursTheRestAndTheNextPrint) {
  CapturedConsole captured(true);
  captured.Console().Print("value: %s!\n", "#0cred");
  captured.Console().Print("next");
  EXPECT_EQ(captured.Output(), "value: \x1b[91mred!\nnext");
  EXPECT_EQ(captured.Console().CurrentAttribute(), 0x0C);
}

// Texts that are not the program's own: never markup; at a terminal control bytes are shown, to a
// pipe they go as stored. Each row: the text, what a terminal gets, the columns it takes there, and
// the bytes of its start that fit in 4 columns (no escape or character split).
TEST(ColorConsoleTest, LiteralTextsShowEveryByteAndObeyNone) {
  struct Case {
    std::string text;
    std::string onTerminal;
    std::size_t width;
    std::size_t fourColumns;
  };
  const Case cases[] = {
      {"price #1 item", "price #1 item", 13, 4},
      {"#0c##", "#0c##", 5, 4},
      {"\x1b]0;title\x07", "\\x1b]0;title\\x07", 16, 1},
      {"\x1b[2J", "\\x1b[2J", 7, 1},
      {std::string("a\0b", 3), "a\\0b", 4, 3},
      {"tab\tand\nline", "tab\tand\nline", 12, 4},
      {"cr\rdel\x7f", "cr\\x0ddel\\x7f", 13, 2},
      {"C1 \xc2\x9b as UTF-8, lone \x9b", "C1 \\x9b as UTF-8, lone \\x9b", 27, 3},
      {"Grüße \xe6\x97\xa5\xe6\x9c\xac", "Grüße \xe6\x97\xa5\xe6\x9c\xac", 10, 6},
      {"ab\xe6\x97\xa5\xe6\x9c\xac", "ab\xe6\x97\xa5\xe6\x9c\xac", 6, 5},
      {"e\xcc\x81 \xff\xc3", "e\xcc\x81 \xff\xc3", 4, 6},
      {"back\\slash", "back\\slash", 10, 4},
  };
  for (const Case& c : cases) {
    for (const bool colour : {true, false}) {
      CapturedConsole captured(colour);
      captured.Console().PrintLiteral(c.text);
      EXPECT_EQ(captured.Output(), colour ? c.onTerminal : c.text) << c.onTerminal;
    }
    EXPECT_EQ(console::ShownWidth(c.text, true), c.width) << c.onTerminal;
    EXPECT_EQ(console::ShownPrefix(c.text, true, 4), c.fourColumns) << c.onTerminal;
  }
  // In an attribute of its own, which the next text keeps.
  CapturedConsole captured(true);
  captured.Console().PrintLiteral(0x0C, "#x");
  captured.Console().Print("!");
  EXPECT_EQ(captured.Output(), "\x1b[91m#x!");
}

TEST(ColorConsoleTest, FormatsLikePrintf) {
  CapturedConsole captured;
  captured.Console().Print("%d%% of %s, %.2f, %05x", 50, "rows", 2.5, 0xbeefu);
  EXPECT_EQ(captured.Output(), "50% of rows, 2.50, 0beef");
}

// Around the stack buffer's size and far beyond it, the formatted text arrives whole, markup
// included at its very end.
TEST(ColorConsoleTest, TextsOfAnyLengthArriveWhole) {
  for (const std::size_t length : {0u, 1u, 255u, 510u, 511u, 512u, 513u, 1024u, 100000u}) {
    CapturedConsole captured(true);
    const std::string body(length, 'x');
    captured.Console().Print("%s#0e!", body.c_str());
    EXPECT_EQ(captured.Output(), body + "\x1b[93m!") << length;
  }
}

// A locale whose decimal point is a comma, built for the test; a library may switch the process
// to such a locale.
class CommaLocale {
 public:
  CommaLocale() {
    std::ofstream(directory_ / "comma.src") << "LC_NUMERIC\ndecimal_point \",\"\n"
                                               "thousands_sep \".\"\ngrouping 3;3\n"
                                               "END LC_NUMERIC\n";
    testsupport::ProgramOptions options;
    options.program = "/usr/bin/localedef";
    // Exits 1 for the categories the source leaves out; the numeric one is all that counts.
    options.arguments = {"-c", "-i", (directory_ / "comma.src").string(), (directory_ / "comma").string()};
    testsupport::RunProgram("", options);
    if (!std::filesystem::exists(directory_ / "comma" / "LC_NUMERIC")) return;
    previous_ = std::setlocale(LC_NUMERIC, nullptr);
    ::setenv("LOCPATH", directory_.Path().c_str(), 1);
    active_ = std::setlocale(LC_NUMERIC, "comma") != nullptr;
  }
  ~CommaLocale() {
    if (previous_.empty()) return;
    std::setlocale(LC_NUMERIC, previous_.c_str());
    ::unsetenv("LOCPATH");
  }
  bool Active() const { return active_; }

 private:
  testsupport::TemporaryDirectory directory_;
  std::string previous_;
  bool active_ = false;
};

TEST(ColorConsoleTest, NumbersInTheCLocaleWhateverTheProcessLocale) {
  const CommaLocale comma;
  if (!comma.Active()) GTEST_SKIP() << "cannot build a locale here (localedef, charmaps)";
  char check[8];
  std::snprintf(check, sizeof check, "%.1f", 2.5);
  ASSERT_STREQ(check, "2,5");
  CapturedConsole captured;
  captured.Console().Print("%.1f", 2.5);
  EXPECT_EQ(captured.Output(), "2.5");
}

TEST(ColorConsoleTest, InitializeTellsWhetherTheOutputTakesColours) {
  CapturedConsole colour(true);
  colour.Console().Print("#0ex");
  EXPECT_TRUE(colour.Console().Initialize());
  EXPECT_EQ(colour.Console().CurrentAttribute(), 0x07);
  // The terminal still shows yellow: the next text brings it back.
  colour.Console().Print("y");
  EXPECT_EQ(colour.Output(), "\x1b[93mx\x1b[0my");
  CapturedConsole plain(false);
  EXPECT_FALSE(plain.Console().Initialize());
  EXPECT_EQ(plain.Console().CurrentAttribute(), 0x00);
}

TEST(ColorConsoleTest, ClosingResetsTheColoursOnATerminalAndFlushes) {
  for (const bool colour : {true, false}) {
    auto script = std::make_shared<TerminalScript>();
    script->console = colour;
    {
      console::ColorConsole console(ScriptedTerminal(script));
      console.Print("#0ex");
      EXPECT_EQ(script->output, "");
    }
    EXPECT_EQ(script->output, colour ? "\x1b[93mx\x1b[0m" : "x");
  }
}

// A note after some output, then more output. Each row: where the output and the notes' stream go,
// and what each of them gets.
TEST(ColorConsoleTest, NotesFollowTheOutputAndNeverDriveATerminal) {
  struct Case {
    const char* name;
    bool colour;
    bool notesAtTerminal;
    bool notesJoinOutput;
    std::string output;
    std::string notes;
  };
  const std::string note = "NOTICE: #0c \x1b[2J";
  const Case cases[] = {
      {"a colour terminal: in a colour of their own", true, false, false,
       "out\x1b[36mNOTICE: #0c \\x1b[2J\n\x1b[0mmore", ""},
      {"a pipe, notes to a file", false, false, false, "outmore", note + "\n"},
      {"a pipe, notes to a terminal", false, true, false, "outmore", "NOTICE: #0c \\x1b[2J\n"},
      {"a pipe that takes the notes too", false, false, true, "out" + note + "\nmore", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CapturedConsole captured(c.colour);
    TerminalScript& script = captured.Script();
    script.notesAtTerminal = c.notesAtTerminal;
    script.notesJoinOutput = c.notesJoinOutput;
    captured.Console().Print("out");
    captured.Console().Note(note);
    captured.Console().Print("more");
    EXPECT_EQ(captured.Output(), c.output);
    EXPECT_EQ(script.notes, c.notes);
    // What the output held came out before the note went to a stream of its own.
    if (!c.notes.empty()) {
      EXPECT_EQ(script.writtenAtNote, std::vector<std::size_t>{3});
    }
  }
}

TEST(ColorConsoleTest, TheTerminalsSizeOnlyWhenTheOutputIsOne) {
  CapturedConsole pipe(false);
  pipe.Script().size = console::WindowSize{100, 50};
  EXPECT_FALSE(pipe.Console().OutputSize());
  CapturedConsole terminal(true);
  terminal.Script().size = console::WindowSize{100, 50};
  ASSERT_TRUE(terminal.Console().OutputSize());
  EXPECT_EQ(terminal.Console().OutputSize()->columns, 100);
  EXPECT_EQ(terminal.Console().OutputSize()->rows, 50);
  terminal.Script().size.reset();
  EXPECT_EQ(terminal.Console().OutputSize()->columns, 80) << "a terminal that does not tell";
  EXPECT_EQ(terminal.Console().OutputSize()->rows, 24);
}

TEST(ColorConsoleTest, WithoutATerminalEverythingStillWorks) {
  console::ColorConsole console(nullptr);
  console.Print("#0e%s", "dropped");
  char line[8] = "old";
  EXPECT_EQ(console.ReadLine(line, sizeof line), 0);
  EXPECT_STREQ(line, "");
  EXPECT_FALSE(console.ClearScreen(0));
  EXPECT_FALSE(console.MoveCursor(0, 0));
}

struct ScreenCase {
  const char* name;
  bool clear;  // ClearScreen(value) rather than MoveCursor(column, row)
  int value, column, row;
  bool result;
  std::string written;  // on a colour terminal, followed by "x" printed afterwards
};

TEST(ColorConsoleTest, ClearScreenAndMoveCursorSequences) {
  const ScreenCase cases[] = {
      {"clear black", true, 0x00, 0, 0, true, "\x1b[30m\x1b[2J\x1b[3J\x1b[0mx"},
      {"clear grey", true, 0x07, 0, 0, true, "\x1b[2J\x1b[3Jx"},
      {"clear white on blue", true, 0x1F, 0, 0, true, "\x1b[97;44m\x1b[2J\x1b[3J\x1b[0mx"},
      {"clear, high bits ignored", true, 0x0107, 0, 0, true, "\x1b[2J\x1b[3Jx"},
      {"home", false, 0, 0, 0, true, "\x1b[1;1Hx"},
      {"column first", false, 0, 79, 23, true, "\x1b[24;80Hx"},
      {"largest", false, 0, 32767, 32767, true, "\x1b[32768;32768Hx"},
      {"negative column", false, 0, -1, 0, false, "x"},
      {"negative row", false, 0, 0, -5, false, "x"},
  };
  for (const ScreenCase& c : cases) {
    for (const bool colour : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (colour ? " on a terminal" : " on a pipe"));
      CapturedConsole captured(colour);
      console::ColorConsole& console = captured.Console();
      const bool result =
          c.clear ? console.ClearScreen(static_cast<std::uint16_t>(c.value))
                  : console.MoveCursor(static_cast<std::int16_t>(c.column), static_cast<std::int16_t>(c.row));
      const std::uint16_t attribute = console.CurrentAttribute();
      console.Print("x");
      EXPECT_EQ(result, colour && c.result);
      EXPECT_EQ(captured.Output(), colour ? c.written : "x");
      EXPECT_EQ(attribute, colour ? 0x07 : 0x00);
    }
  }
}

TEST(ColorConsoleTest, OutputWaitsInTheBufferUntilTheProgramWaitsForInput) {
  CapturedConsole captured(false, "first\nsecond\n");
  TerminalScript& script = captured.Script();
  console::ColorConsole& console = captured.Console();
  console.Print("-");
  EXPECT_EQ(script.writeCalls, 0u);
  char line[320];
  ASSERT_EQ(console.ReadLine(line, sizeof line), 6);
  console.Print("answer\n-");
  ASSERT_EQ(console.ReadLine(line, sizeof line), 7);
  console.Print("-");
  EXPECT_EQ(console.ReadLine(line, sizeof line), 0);
  // Both lines came with the first read, so only the first and the last call had to wait.
  EXPECT_EQ(script.writtenAtRead, (std::vector<std::size_t>{1, 10}));
  EXPECT_EQ(script.output, "-answer\n--");
}

// The text a user types shows in the attribute of the last run, even when that run was empty.
TEST(ColorConsoleTest, TerminalShowsTheCurrentAttributeBeforeWaiting) {
  CapturedConsole captured(true, "x\n");
  captured.Console().Print("-#0a#0e");
  char line[8];
  captured.Console().ReadLine(line, sizeof line);
  EXPECT_EQ(captured.Script().output, "-\x1b[92m");
}

// Output that another thread writes, and a test can wait for while its own thread stands for a
// program blocked in a statement.
class WaitedTerminal final : public console::Terminal {
 public:
  bool IsConsole() const override { return false; }
  long Read(char*, std::size_t) override { return 0; }
  void Write(const char* data, std::size_t size) override {
    const std::lock_guard lock(mutex_);
    written_.append(data, size);
    arrived_.notify_all();
  }
  // What was written, once something was or the limit passed.
  std::string WaitForOutput(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, limit, [this] { return !written_.empty(); });
    return written_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::string written_;
};

// A statement that ends before the age costs no write; one that lasts longer does not keep what
// was printed before it held (the prompt a pipe's reader waits for).
TEST(ColorConsoleTest, OutputHeldOverAWaitIsWrittenOnlyOnceTheWaitLasts) {
  auto owned = std::make_unique<WaitedTerminal>();
  WaitedTerminal& terminal = *owned;
  console::ColorConsole console(std::move(owned));
  console.Print("earlier\n-");
  { const console::ColorConsole::Waiting quick(&console, std::chrono::hours(1)); }
  EXPECT_EQ(terminal.WaitForOutput(std::chrono::seconds(0)), "");
  {
    const console::ColorConsole::Waiting slow(&console, std::chrono::milliseconds(1));
    EXPECT_EQ(terminal.WaitForOutput(std::chrono::seconds(60)), "earlier\n-");
  }
  console.Print("later\n");
  EXPECT_EQ(terminal.WaitForOutput(std::chrono::seconds(0)), "earlier\n-");
  console.Flush();
  EXPECT_EQ(terminal.WaitForOutput(std::chrono::seconds(0)), "earlier\n-later\n");
}

TEST(ColorConsoleTest, AMillionLinesCostOnlyFullBufferWrites) {
  auto script = std::make_shared<TerminalScript>();
  script->keepOutput = false;
  {
    console::ColorConsole console(ScriptedTerminal(script));
    for (int i = 0; i < 1000000; ++i) console.Print("line %d\n", i);
  }
  EXPECT_EQ(script->bytesWritten, 11888890u);
  EXPECT_LE(script->writeCalls, script->bytesWritten / console::OutputBuffer::kCapacity + 1);
  RecordProperty("writeCalls", static_cast<int>(script->writeCalls));
}

}  // namespace

}  // namespace ql
