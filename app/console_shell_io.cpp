// The shell's output and input routed to its console.

#include "app/console_shell_io.h"

#include <utility>

#include "shell/token_kind.h"
#include "shell/tokenizer.h"

namespace ql::app {

using console::ColorConsole;
using console::LineReader;
using shell::LineRead;

ConsoleShellIo::ConsoleShellIo() : ConsoleShellIo(console::ProcessTerminal()) {}

ConsoleShellIo::ConsoleShellIo(std::unique_ptr<console::Terminal> terminal) : console_(std::move(terminal)) {}

void ConsoleShellIo::Write(std::string_view markup) { console_.Print("%s", std::string(markup).c_str()); }

void ConsoleShellIo::SetQuiet(bool quiet) noexcept {
  prompting_ = !quiet;
  console_.SetMessagesApart(quiet);
}

LineRead ConsoleShellIo::ReadLine(std::string& line) { return ReadFromConsole(line, false); }

LineRead ConsoleShellIo::ReadContinuedLine(std::string& line, char mark) {
  // A script's lines and the rest of a line already typed come without a prompt of their own.
  if (prompting_ && console_.AwaitsTypedLine()) {
    console_.Print("#%02x-%c", static_cast<unsigned>(shell::TokenColors[shell::Other]), mark);
  }
  return ReadFromConsole(line, true);
}

LineRead ConsoleShellIo::ReadFromConsole(std::string& line, bool continuesEntry) {
  const auto fromConsole = [this, continuesEntry](std::string& read, std::size_t limit) {
    return console_.ReadWholeLine(read, limit, continuesEntry);
  };
  const LineReader::Status status =
      script_ != nullptr ? script_->Next(line, kMaxLineBytes, fromConsole) : fromConsole(line, kMaxLineBytes);
  switch (status) {
    case LineReader::Status::kEnd:
      return LineRead::kEnd;
    case LineReader::Status::kTooLong:
      return LineRead::kTooLong;
    case LineReader::Status::kDropped:
      line.clear();
      return LineRead::kDropped;
    case LineReader::Status::kLine:
      break;
  }
  if (!line.empty() && line.back() == '\n') {
    line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  return LineRead::kLine;
}

void ConsoleShellIo::OnLineTooLong() {
  const ColorConsole::Message message(&console_, ColorConsole::MessageKind::kError);
  ShellIo::OnLineTooLong();
}

void ConsoleShellIo::OnStatementTooLong() {
  const ColorConsole::Message message(&console_, ColorConsole::MessageKind::kError);
  ShellIo::OnStatementTooLong();
}

void ConsoleShellIo::OnStatementNotClosed(char mark) {
  const ColorConsole::Message message(&console_, ColorConsole::MessageKind::kError);
  ShellIo::OnStatementNotClosed(mark);
}

bool ConsoleShellIo::GoOn() {
  if (stopAfterError_ && console_.ErrorsReported() > 0) stoppedAfterError_ = true;
  return !stoppedAfterError_;
}

void ConsoleShellIo::OnUnknownCommand(const shell::Tokenizer& line) {
  using shell::TokenColors;
  const ColorConsole::Message message(&console_, ColorConsole::MessageKind::kError);
  console_.PrintLiteral(TokenColors[shell::Other], "Unknown command> ");
  const shell::TokenKind* kinds = line.TokenKinds();
  for (std::int32_t i = 0; i < line.TokenCount(); ++i) {
    console_.PrintLiteral(TokenColors[kinds[i]], line.Tokens()[i]);
    console_.PrintLiteral(" ");
  }
  console_.PrintLiteral(TokenColors[shell::Other], "Press 'H' for help\n");
}

}  // namespace ql::app
