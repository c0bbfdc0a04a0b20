// The shell's output and input routed to its console.

#include "app/console_shell_io.h"

#include <cstdarg>
#include <utility>

namespace ql::console {

ConsoleShell::ConsoleShell() : ConsoleShell(ProcessTerminal()) {}

ConsoleShell::ConsoleShell(std::unique_ptr<Terminal> terminal)
    : CommandShell(false, false), console_(std::move(terminal)) {}

ConsoleShell::~ConsoleShell() = default;

void ConsoleShell::Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  console_.PrintV(format, arguments);
  va_end(arguments);
}

void ConsoleShell::SetQuiet(bool quiet) noexcept {
  prompting = !quiet;
  console_.SetMessagesApart(quiet);
}

shell::CommandShell::LineRead ConsoleShell::ReadLine(std::string& line) { return ReadFromConsole(line, false); }

shell::CommandShell::LineRead ConsoleShell::ReadContinuedLine(std::string& line, char mark) {
  // A script's lines and the rest of a line already typed come without a prompt of their own.
  if (prompting && console_.AwaitsTypedLine()) {
    Print("#%02x-%c", static_cast<unsigned>(shell::TokenColors[shell::Other]), mark);
  }
  return ReadFromConsole(line, true);
}

shell::CommandShell::LineRead ConsoleShell::ReadFromConsole(std::string& line, bool continuesEntry) {
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

void ConsoleShell::OnLineTooLong() {
  const ColorConsole::Message message(&console_, ColorConsole::MessageKind::kError);
  CommandShell::OnLineTooLong();
}

void ConsoleShell::OnStatementTooLong() {
  const ColorConsole::Message message(&console_, ColorConsole::MessageKind::kError);
  CommandShell::OnStatementTooLong();
}

void ConsoleShell::OnStatementNotClosed(char mark) {
  const ColorConsole::Message message(&console_, ColorConsole::MessageKind::kError);
  CommandShell::OnStatementNotClosed(mark);
}

bool ConsoleShell::GoOn() {
  if (stopAfterError_ && console_.ErrorsReported() > 0) stoppedAfterError_ = true;
  return !stoppedAfterError_;
}

void ConsoleShell::OnUnknownCommand(std::int32_t tokenCount, char** tokens) {
  using shell::TokenColors;
  const ColorConsole::Message message(&console_, ColorConsole::MessageKind::kError);
  console_.PrintLiteral(TokenColors[shell::Other], "Unknown command> ");
  const shell::TokenKind* kinds = TokenKinds();
  for (std::int32_t i = 0; i < tokenCount; ++i) {
    console_.PrintLiteral(TokenColors[kinds[i]], tokens[i]);
    console_.PrintLiteral(" ");
  }
  console_.PrintLiteral(TokenColors[shell::Other], "Press 'H' for help\n");
}

}  // namespace ql::console
