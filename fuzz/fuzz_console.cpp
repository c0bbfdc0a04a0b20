// The colour console: texts with markup printed on a plain and on a colour terminal, and the printf
// fast path against vsnprintf.
//
// Properties: on a plain terminal the output is exactly the texts with their markup taken out and
// holds no escape byte the texts did not; on a colour terminal the output with its colour sequences
// taken out is the same text. A literal text (a database's) reaches a file or pipe byte for byte,
// markup and all; at a terminal it is shown in its escaped form, and beyond the program's own
// colour sequences holds no ESC nor CSI byte for the terminal to obey. FormatSimple, wherever it formats, gives
// vsnprintf's bytes, and it formats every format made of the conversions it understands that fits its buffer.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/color_console.h"
#include "console/simple_format.h"
#include "console/terminal/shown_text.h"

namespace ql {

namespace {

class Capture final : public console::Terminal {
 public:
  Capture(bool colour, std::string& output) : colour_(colour), output_(output) {}
  bool IsConsole() const override { return colour_; }
  long Read(char*, std::size_t) override { return 0; }
  void Write(const char* data, std::size_t size) override { output_.append(data, size); }

 private:
  bool colour_;
  std::string& output_;
};

[[noreturn]] void Fail(const char* what, std::string_view expected, std::string_view got) {
  std::fprintf(stderr, "%s\nexpected (%zu bytes): %.*s\ngot (%zu bytes): %.*s\n", what, expected.size(),
               static_cast<int>(expected.size()), expected.data(), got.size(), static_cast<int>(got.size()),
               got.data());
  std::abort();
}

// One printed text as the reader sees it: "##" is one '#', '#' and the two bytes after it are
// taken out (fewer at the end of the text).
std::string WithoutMarkup(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '#') {
      plain += text[i++];
    } else if (i + 1 < text.size() && text[i + 1] == '#') {
      plain += '#';
      i += 2;
    } else {
      i += 3;
    }
  }
  return plain;
}

// The output of a colour terminal without its SGR sequences (ESC '[' digits and ';' up to 'm').
std::string WithoutColourSequences(std::string_view output) {
  std::string plain;
  for (std::size_t i = 0; i < output.size();) {
    if (output[i] == '\x1b' && i + 1 < output.size() && output[i + 1] == '[') {
      std::size_t end = i + 2;
      while (end < output.size() && output[end] != 'm') ++end;
      i = end + 1;
      continue;
    }
    plain += output[i++];
  }
  return plain;
}

void CheckMarkup(FuzzedDataProvider& data) {
  std::vector<std::string> texts;
  while (data.remaining_bytes() > 0 && texts.size() < 8) texts.push_back(data.ConsumeRandomLengthString(4096));
  std::string expected;
  bool hasEscape = false;
  for (std::string& text : texts) {
    // Print takes C strings: a NUL ends the text.
    text.resize(std::string_view(text.c_str()).size());
    hasEscape = hasEscape || text.find('\x1b') != std::string::npos;
    expected += WithoutMarkup(text);
  }
  for (const bool colour : {false, true}) {
    std::string output;
    {
      console::ColorConsole console(std::make_unique<Capture>(colour, output));
      for (const std::string& text : texts) console.Print("%s", text.c_str());
    }
    if (!colour) {
      if (output != expected) Fail("plain output is not the text without its markup", expected, output);
      if (!hasEscape && output.find('\x1b') != std::string::npos)
        Fail("an escape byte on a plain terminal", "", output);
    } else if (!hasEscape && WithoutColourSequences(output) != expected) {
      Fail("colour output without its colours is not the text", expected, WithoutColourSequences(output));
    }
  }
}

void CheckLiteral(FuzzedDataProvider& data) {
  const std::string text = data.ConsumeRemainingBytesAsString();
  for (const bool colour : {false, true}) {
    std::string output;
    {
      console::ColorConsole console(std::make_unique<Capture>(colour, output));
      console.PrintLiteral(text);
    }
    if (!colour) {
      if (output != text) Fail("a literal text changed on its way to a pipe", text, output);
      continue;
    }
    const std::string shown = WithoutColourSequences(output);
    std::string expected;
    console::AppendShown(text, true, expected);
    if (shown != expected) Fail("a literal text is not shown in its escaped form", expected, shown);
    if (shown.find('\x1b') != std::string::npos || shown.find("\xc2\x9b") != std::string::npos) {
      Fail("a literal text can drive the terminal", text, output);
    }
  }
}

long Simple(char* out, std::size_t capacity, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const long size = console::FormatSimple(out, capacity, format, arguments);
  va_end(arguments);
  return size;
}

// A format of literal text and conversions whose arguments are, in turn, an int and a string.
void CheckFormat(FuzzedDataProvider& data) {
  const int numbers[3] = {data.ConsumeIntegral<int>(), data.ConsumeIntegral<int>(), data.ConsumeIntegral<int>()};
  std::string strings[3] = {data.ConsumeRandomLengthString(64), data.ConsumeRandomLengthString(64),
                            data.ConsumeRandomLengthString(64)};
  for (std::string& text : strings) text.resize(std::string_view(text.c_str()).size());
  std::string format;
  for (int slot = 0; slot < 6 && data.remaining_bytes() > 0; ++slot) {
    std::string literal = data.ConsumeRandomLengthString(16);
    for (char& c : literal) {
      if (c == '%' || c == '\0') c = '.';
    }
    format += literal;
    if (data.ConsumeBool()) format += "%%";
    format += '%';
    const char conversion = slot % 2 == 0 ? "diuxXc"[data.ConsumeIntegralInRange(0, 5)] : 's';
    const int flag = data.ConsumeIntegralInRange(0, 2);
    if (flag == 1) format += '-';
    // '0' with %s or %c is undefined in C; only numbers get it.
    if (flag == 2 && conversion != 's' && conversion != 'c') format += '0';
    // A width starts with a digit from 1: a leading 0 would be the flag.
    if (data.ConsumeBool()) format += std::to_string(data.ConsumeIntegralInRange(1, 300));
    format += conversion;
  }
  const std::size_t capacity = data.ConsumeIntegralInRange<std::size_t>(0, 2048);
  std::vector<char> simple(capacity + 1);
  const long size = Simple(simple.data(), capacity, format.c_str(), numbers[0], strings[0].c_str(), numbers[1],
                           strings[1].c_str(), numbers[2], strings[2].c_str());
  std::vector<char> reference(8192);
  const int length = std::snprintf(reference.data(), reference.size(), format.c_str(), numbers[0], strings[0].c_str(),
                                   numbers[1], strings[1].c_str(), numbers[2], strings[2].c_str());
  if (length < 0 || static_cast<std::size_t>(length) >= reference.size()) return;
  const std::string_view expected(reference.data(), static_cast<std::size_t>(length));
  if (size < 0) {
    if (static_cast<std::size_t>(length) <= capacity)
      Fail(("refused a format that fits: " + format).c_str(), expected, "");
    return;
  }
  const std::string_view got(simple.data(), static_cast<std::size_t>(size));
  if (got != expected) Fail(("FormatSimple differs from vsnprintf on: " + format).c_str(), expected, got);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  switch (data.ConsumeIntegralInRange(0, 2)) {
    case 0:
      CheckFormat(data);
      break;
    case 1:
      CheckMarkup(data);
      break;
    default:
      CheckLiteral(data);
      break;
  }
  return 0;
}

}  // namespace ql
