// Colour markup, buffered output and line input on a Terminal.

#include "console/color_console.h"

#include <locale.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>

#include "console/ansi_colors.h"
#include "console/flush_timer.h"
#include "console/output_buffer.h"
#include "console/simple_format.h"
#include "console/terminal/editor_prompt.h"
#include "console/terminal/line_reader.h"
#include "console/terminal/shown_text.h"
#include "console/terminal/thread_locale.h"

namespace ql::console {

namespace {

constexpr char kMarker = '#';
// Formatted texts up to this size never touch the heap.
constexpr std::size_t kStackText = 512;

constexpr std::string_view kEraseScreenAndScrollback = "\x1b[2J\x1b[3J";

// Notes at a terminal: dark cyan, a colour no other output of the program uses.
constexpr std::uint16_t kNoteAttribute = 0x03;
// The size of a terminal that does not tell its own, as most terminals start.
constexpr int kUnknownColumns = 80;
constexpr int kUnknownRows = 24;

// Stands in for a missing terminal: reads find the end of input, writes vanish.
class NoTerminal final : public Terminal {
 public:
  bool IsConsole() const override { return false; }
  long Read(char*, std::size_t) override { return 0; }
  void Write(const char*, std::size_t) override {}
};

int HexDigitValue(char ch) noexcept {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return 0;
}

// The C locale for formatting, so that a library which switches the process's locale cannot turn
// 2.5 into "2,5" in the program's output.
locale_t FormattingLocale() {
  static const OwnedLocale locale(::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr)));
  return locale.Get();
}

}  // namespace

struct ColorConsole::Streams {
  Streams(std::unique_ptr<Terminal> given, LineReader::Hooks hooks, std::function<void()> flush)
      : terminal(given ? std::move(given) : std::make_unique<NoTerminal>()),
        output(*terminal),
        input(*terminal, std::move(hooks)),
        lateFlush(std::move(flush)) {}

  std::unique_ptr<Terminal> terminal;
  OutputBuffer output;
  LineReader input;
  // The attribute the terminal shows: escape sequences are written only when a run with another
  // attribute has bytes to show, so runs that only change the attribute cost nothing.
  std::uint16_t shownAttribute = kDefaultAttribute;
  // Last: its thread stops before the streams it writes to go.
  FlushTimer lateFlush;
};

ColorConsole::ColorConsole() : ColorConsole(ProcessTerminal()) {}

ColorConsole::ColorConsole(std::unique_ptr<Terminal> terminal)
    : streams_(std::make_unique<Streams>(std::move(terminal),
                                         LineReader::Hooks{[this] { Flush(); }, [this] { return TakePrompt(); }},
                                         [this] { streams_->output.Flush(); })) {
  Initialize();
}

ColorConsole::~ColorConsole() {
  if (isConsole_) {
    static constexpr std::string_view kReset = "\x1b[0m";
    streams_->output.Append(kReset.data(), kReset.size());
  }
  streams_->output.Flush();
}

// The attribute the terminal shows is left alone: called again later, the next text still brings
// the terminal from whatever it shows to the attribute that text needs.
bool ColorConsole::Initialize() {
  isConsole_ = streams_->terminal->IsConsole();
  escapes_ = isConsole_ || streams_->terminal->IsTerminal();
  if (!isConsole_) return false;
  currentAttribute_ = kDefaultAttribute;
  return true;
}

void ColorConsole::Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PrintV(format, arguments);
  va_end(arguments);
}

void ColorConsole::PrintV(const char* format, va_list arguments) {
  if (format == nullptr) return;
  if (std::strchr(format, '%') == nullptr) {
    Emit(format, std::strlen(format));
    return;
  }
  // A text printed whole through "%s" needs no copy.
  if (std::strcmp(format, "%s") == 0) {
    va_list onePass;
    va_copy(onePass, arguments);
    const char* text = va_arg(onePass, const char*);
    va_end(onePass);
    if (text == nullptr) text = "(null)";
    Emit(text, std::strlen(text));
    return;
  }
  char stackText[kStackText];
  va_list simplePass;
  va_copy(simplePass, arguments);
  const long simple = FormatSimple(stackText, sizeof stackText, format, simplePass);
  va_end(simplePass);
  if (simple >= 0) {
    Emit(stackText, static_cast<std::size_t>(simple));
    return;
  }
  const ScopedThreadLocale cLocale(FormattingLocale());
  va_list firstPass;
  va_copy(firstPass, arguments);
  const int length = std::vsnprintf(stackText, sizeof stackText, format, firstPass);
  va_end(firstPass);
  if (length < 0) return;
  const std::size_t size = static_cast<std::size_t>(length);
  if (size < sizeof stackText) {
    Emit(stackText, size);
    return;
  }
  // Too long for the stack: one heap block of the measured size, and nothing printed without it.
  const std::unique_ptr<char[]> heapText(new (std::nothrow) char[size + 1]);
  if (!heapText) return;
  std::vsnprintf(heapText.get(), size + 1, format, arguments);
  Emit(heapText.get(), size);
}

void ColorConsole::PrintLiteral(std::string_view text) { PrintLiteral(currentAttribute_, text); }

void ColorConsole::PrintLiteral(std::uint16_t attribute, std::string_view text) {
  if (MessageApart()) {
    AppendShown(text, streams_->terminal->NotesAtTerminal(), messageText_);
    currentAttribute_ = attribute;
    return;
  }
  if (!escapes_) {
    WriteRun(attribute, text.data(), text.size());
    return;
  }
  std::string shown;
  shown.reserve(text.size());
  AppendShown(text, true, shown);
  WriteRun(attribute, shown.data(), shown.size());
}

void ColorConsole::Note(std::string_view text) {
  if (escapes_ && !(messagesApart_ && !streams_->terminal->NotesJoinOutput())) {
    const std::uint16_t previous = currentAttribute_;
    PrintLiteral(kNoteAttribute, text);
    PrintLiteral("\n");
    currentAttribute_ = previous;
    return;
  }
  Terminal& terminal = *streams_->terminal;
  if (terminal.NotesJoinOutput()) {
    WriteRun(currentAttribute_, text.data(), text.size());
    WriteRun(currentAttribute_, "\n", 1);
    return;
  }
  Flush();
  std::string line;
  line.reserve(text.size() + 1);
  AppendShown(text, terminal.NotesAtTerminal(), line);
  line += '\n';
  terminal.WriteNote(line.data(), line.size());
}

std::optional<WindowSize> ColorConsole::OutputSize() const {
  if (!escapes_) return std::nullopt;
  return streams_->terminal->Size().value_or(WindowSize{kUnknownColumns, kUnknownRows});
}

// Splits the text into runs at the markup and writes each run in its attribute.
void ColorConsole::Emit(const char* text, std::size_t size) {
  std::uint16_t attribute = currentAttribute_;
  std::size_t pos = 0;
  while (pos < size) {
    // '#' never occurs inside a UTF-8 multibyte character, so every '#' byte is a marker.
    const void* found = std::memchr(text + pos, kMarker, size - pos);
    if (found == nullptr) {
      WriteRun(attribute, text + pos, size - pos);
      break;
    }
    const std::size_t marker = static_cast<std::size_t>(static_cast<const char*>(found) - text);
    if (marker + 1 < size && text[marker + 1] == kMarker) {
      WriteRun(attribute, text + pos, marker + 1 - pos);
      pos = marker + 2;
      continue;
    }
    WriteRun(attribute, text + pos, marker - pos);
    // Digits missing at the end of the text count as 0; such an escape is never applied anyway,
    // since no run follows it.
    const int background = marker + 1 < size ? HexDigitValue(text[marker + 1]) : 0;
    const int foreground = marker + 2 < size ? HexDigitValue(text[marker + 2]) : 0;
    attribute = static_cast<std::uint16_t>(background * 16 + foreground);
    pos = marker + 3;
  }
}

void ColorConsole::WriteRun(std::uint16_t attribute, const char* run, std::size_t size) {
  currentAttribute_ = attribute;
  if (size == 0) return;
  if (MessageApart()) {
    messageText_.append(run, size);
    return;
  }
  ShowAttribute(attribute);
  streams_->output.Append(run, size);
}

void ColorConsole::ShowAttribute(std::uint16_t attribute) {
  if (!isConsole_ || attribute == streams_->shownAttribute) return;
  const ColorChange change(streams_->shownAttribute, attribute);
  streams_->output.Append(change.Text().data(), change.Text().size());
  streams_->shownAttribute = attribute;
}

std::int32_t ColorConsole::ReadLine(char* buffer, std::int32_t size) {
  if (streams_->terminal->OutputClosed()) {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return 0;
  }
  return streams_->input.ReadLine(buffer, size);
}

LineReader::Status ColorConsole::ReadWholeLine(std::string& line, std::size_t limit, bool continuesEntry) {
  if (streams_->terminal->OutputClosed()) {
    line.clear();
    return LineReader::Status::kEnd;
  }
  return streams_->input.ReadWholeLine(line, limit, continuesEntry);
}

bool ColorConsole::AwaitsTypedLine() const noexcept {
  return streams_->terminal->PersonTyping() && !streams_->input.HasWaitingBytes();
}

LineEditor* ColorConsole::Editor() noexcept { return streams_->terminal->Editor(); }

bool ColorConsole::ClearScreen(std::uint16_t attribute) {
  if (!isConsole_) return false;
  ShowAttribute(attribute & 0xFF);
  streams_->output.Append(kEraseScreenAndScrollback.data(), kEraseScreenAndScrollback.size());
  return true;
}

bool ColorConsole::MoveCursor(std::int16_t column, std::int16_t row) {
  if (!isConsole_ || column < 0 || row < 0) return false;
  char sequence[16] = {'\x1b', '['};
  char* const end = sequence + sizeof sequence;
  char* out = std::to_chars(sequence + 2, end, row + 1).ptr;
  *out++ = ';';
  out = std::to_chars(out, end, column + 1).ptr;
  *out++ = 'H';
  streams_->output.Append(sequence, static_cast<std::size_t>(out - sequence));
  return true;
}

// The line editor draws the prompt itself, so that it can draw it again whenever it redraws the
// line. As with Flush, the prompt ends in the current attribute, the colour of what is typed.
std::string ColorConsole::TakePrompt() {
  ShowAttribute(currentAttribute_);
  const std::string unfinished = streams_->output.TakeUnfinishedLine();
  EditorPrompt prompt = SplitEditorPrompt(unfinished);
  if (prompt.start > 0) {
    streams_->output.Append(unfinished.data(), prompt.start);
    streams_->output.Flush();
  }
  return std::move(prompt.text);
}

// The terminal is brought to the current attribute first, so that what the user types next shows
// in the colour of the last run, even when that run was empty.
void ColorConsole::Flush() {
  ShowAttribute(currentAttribute_);
  streams_->output.Flush();
}

void ColorConsole::FlushIfHeldFor(std::chrono::milliseconds age) {
  if (streams_->output.HeldFor(age)) Flush();
}

ColorConsole::Message::Message(ColorConsole* console, MessageKind kind) : console_(console) {
  if (console_ == nullptr) return;
  if (kind == MessageKind::kError) ++console_->errorsReported_;
  // Where the notes' stream is the output itself, the message keeps its place among the output.
  if (!console_->messagesApart_ || console_->streams_->terminal->NotesJoinOutput()) {
    console_ = nullptr;
    return;
  }
  if (console_->messageDepth_++ == 0) {
    console_->Flush();
    console_->savedAttribute_ = console_->currentAttribute_;
  }
}

ColorConsole::Message::~Message() {
  if (console_ == nullptr || --console_->messageDepth_ > 0) return;
  console_->WriteMessage();
  console_->currentAttribute_ = console_->savedAttribute_;
}

void ColorConsole::WriteMessage() {
  if (!messageText_.empty()) streams_->terminal->WriteNote(messageText_.data(), messageText_.size());
  messageText_.clear();
}

// The attribute is brought up to date here, so that the bytes written are the same whether the
// helper writes them or the next flush does.
ColorConsole::Waiting::Waiting(ColorConsole* console, std::chrono::milliseconds age) : console_(console) {
  if (console_ == nullptr) return;
  console_->ShowAttribute(console_->currentAttribute_);
  console_->streams_->lateFlush.Start(age);
}

ColorConsole::Waiting::~Waiting() {
  if (console_ != nullptr) console_->streams_->lateFlush.Stop();
}

}  // namespace ql::console
