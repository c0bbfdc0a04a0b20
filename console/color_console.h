#pragma once
// The program's one road to the terminal: formatted output with in-band colour markup, line input,
// clearing the screen and placing the cursor.
//
// Markup: "#XY" sets the attribute for the text after it (X background, Y foreground, hexadecimal
// digits, any other byte counting as 0); "##" prints one "#". Attributes are Win32 console
// attributes (blue 1, green 2, red 4, intensity 8 in each nibble); on a colour terminal they become
// ANSI escape sequences, elsewhere the markup is removed and no escape byte is written.

#include <chrono>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "console/terminal/line_reader.h"
#include "console/terminal/terminal.h"

namespace ql::console {

class ColorConsole {
 public:
  ColorConsole();  // on the process's terminal
  explicit ColorConsole(std::unique_ptr<Terminal> terminal);
  ~ColorConsole();  // on a colour terminal resets the colours; flushes
  ColorConsole(const ColorConsole&) = delete;
  ColorConsole& operator=(const ColorConsole&) = delete;

  // True when the output is a colour terminal; the attribute then starts as the terminal's own
  // colours, 0x07. Otherwise the attribute stays as it was (0 at first).
  bool Initialize();

  // printf-style formatting (numbers in the C locale), then the markup, so a "#" that comes in
  // through an argument is markup too. The attribute of the last run written is where the next
  // Print begins.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void PrintV(const char* format, va_list arguments) __attribute__((format(printf, 2, 0)));

  // A text that is not the program's own (a value, a name, a database's message, a typed token),
  // without markup: every '#' shows as '#'. At a terminal, control bytes are shown escaped (see
  // shown_text.h); to a file or a pipe the bytes go as they are, NULs included. The first form
  // writes in the current attribute, the second in `attribute`, which then becomes current.
  void PrintLiteral(std::string_view text);
  void PrintLiteral(std::uint16_t attribute, std::string_view text);
  // True when PrintLiteral escapes control bytes: the output is a terminal.
  bool EscapesControls() const noexcept { return escapes_; }

  // A message beside a command's output (a count, a database's notice, a timing), one line, `text`
  // without its line end and printed as PrintLiteral prints. At a terminal it follows the output
  // in a colour of its own, the current attribute left as it was; otherwise it goes to the notes'
  // stream (standard error) at once, after the output held so far is written out, so that the
  // output's transcript stays as it would be without it and a log of both keeps their order. When
  // that stream is the output itself, the note is held with the output instead, in the same order.
  void Note(std::string_view text);
  // Messages: the lines that are not a command's result (a failure's report, a refusal, a usage
  // line, an acknowledgement such as "Timing is on."), printed while a Message lives. By default
  // they go with the output, as any text does. Once set apart, they and the notes go to the notes'
  // stream (standard error) instead, after the output held so far, without colours and with control
  // bytes shown escaped when that stream is a terminal, so that the output holds results only. When
  // that stream is the output itself they stay among the output, in their order.
  void SetMessagesApart(bool apart) noexcept { messagesApart_ = apart; }
  // How many error messages have been printed so far: a script may stop after the first.
  std::uint64_t ErrorsReported() const noexcept { return errorsReported_; }
  enum class MessageKind { kInformation, kError };
  // Around the printing of one message; nested ones make one message. A null console does nothing.
  class Message {
   public:
    Message(ColorConsole* console, MessageKind kind);
    ~Message();
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

   private:
    ColorConsole* console_;
  };

  // The terminal's size when the output is one: as the terminal tells it, or 80 by 24 when it
  // does not. Nothing when the output is a file or a pipe.
  std::optional<WindowSize> OutputSize() const;

  // One line of at most size - 1 bytes, line end included, NUL-terminated; the count of bytes, or
  // 0 (with an empty text) at the end of input or on failure. Pending output is flushed before
  // every read from the terminal, so the program never waits for input with its output held back.
  // Where the terminal has a line editor, the unfinished last line of output (the prompt) is
  // handed to the editor to draw instead; a line dropped with Ctrl-C reads as "\n". Once the
  // output's reader has gone away, reads find the end of input: no command would be seen to run.
  std::int32_t ReadLine(char* buffer, std::int32_t size);
  // One whole line into `line`, however long, with its line end when it had one; see
  // LineReader::ReadWholeLine. As with ReadLine, the end once the output's reader has gone away.
  LineReader::Status ReadWholeLine(std::string& line, std::size_t limit, bool continuesEntry = false);
  // True when a person types the input at a terminal and the next line has still to be typed: what
  // is printed now is the prompt they see while typing it.
  bool AwaitsTypedLine() const noexcept;
  // The terminal's line editor, or null when lines are not edited (see Terminal::Editor).
  LineEditor* Editor() noexcept;

  // Both do nothing and return false when the output is not a colour terminal.
  // Erases the screen and the scrollback in the colours of `attribute`; the cursor stays.
  bool ClearScreen(std::uint16_t attribute);
  // Zero-based, column first.
  bool MoveCursor(std::int16_t column, std::int16_t row);

  void Flush();
  // Flushes when output has been held back for `age` or longer: for work that is usually quick but
  // may wait, where flushing every time would cost a write per line.
  void FlushIfHeldFor(std::chrono::milliseconds age);

  // Around work that may block for long but is usually quick (a statement, a connection): what is
  // held when it begins is written out once it has lasted `age`, from a helper thread, so that a
  // quick command costs no write and a slow one never waits with its output held. Nothing may be
  // printed, read or flushed on the console while a Waiting lives. A null console does nothing.
  class Waiting {
   public:
    // How long work may wait before what is held is written out: long enough that a quick
    // statement or a move to a row at hand costs no write, short enough not to be noticed.
    static constexpr std::chrono::milliseconds kFlushAge{10};

    explicit Waiting(ColorConsole* console, std::chrono::milliseconds age = kFlushAge);
    ~Waiting();
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

   private:
    ColorConsole* console_;
  };
  std::uint16_t CurrentAttribute() const noexcept { return currentAttribute_; }

 private:
  struct Streams;  // the terminal and its buffers, in color_console.cpp

  std::string TakePrompt();
  void Emit(const char* text, std::size_t size);
  void WriteRun(std::uint16_t attribute, const char* run, std::size_t size);
  void ShowAttribute(std::uint16_t attribute);

  std::unique_ptr<Streams> streams_;
  // True while a message is printed to the notes' stream: its bytes are gathered in messageText_.
  bool MessageApart() const noexcept { return messageDepth_ > 0 && messagesApart_; }
  void WriteMessage();

  std::uint16_t currentAttribute_ = 0;
  bool messagesApart_ = false;
  int messageDepth_ = 0;
  std::uint16_t savedAttribute_ = 0;  // the output's attribute while a message is set apart
  std::string messageText_;
  std::uint64_t errorsReported_ = 0;
  bool isConsole_ = false;
  bool escapes_ = false;
};

}  // namespace ql::console
