// The reports a ShellIo writes unless it says otherwise.

#include "shell/shell_io.h"

#include <string>

#include "shell/tokenizer.h"

namespace ql::shell {

LineRead ShellIo::ReadContinuedLine(std::string& line, char) { return ReadLine(line); }

void ShellIo::OnUnknownCommand(const Tokenizer& line) {
  std::string text;
  AppendColored(text, TokenColors[Other], "Unknown command> ");
  line.EchoTokens(text);
  AppendColored(text, TokenColors[Other], "Press 'H' for help\n");
  Write(text);
}

void ShellIo::OnLineTooLong() {
  Write("Line not run: it is longer than " + std::to_string(kMaxLineBytes >> 20) + " MiB.\n");
}

void ShellIo::OnStatementTooLong() {
  Write("Statement not run: it is longer than " + std::to_string(kMaxLineBytes >> 20) + " MiB.\n");
}

void ShellIo::OnStatementNotClosed(char mark) {
  Write(std::string("Statement not run: the input ended before its closing ") + mark + ".\n");
}

bool ShellIo::GoOn() { return true; }

}  // namespace ql::shell
