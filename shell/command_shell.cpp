// The command registry, the dispatch loop and the built-in commands of CommandShell, with the base
// line input and output on the standard streams.

#include "shell/command_shell.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace ql::shell {

namespace {

// Case folding is ASCII only: the program runs in the C locale and its texts are UTF-8, whose
// multibyte sequences must pass through unchanged.
void UpperCaseInPlace(char* text) noexcept {
  for (; *text != '\0'; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

// Appends a colour escape for `attribute` and then `piece`. The pieces are appended, never
// formatted into a fixed buffer, so a name, token or help text of any length is kept whole.
void AppendColored(std::string& text, std::uint8_t attribute, std::string_view piece) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  text += '#';
  text += kHexDigits[attribute >> 4];
  text += kHexDigits[attribute & 0x0F];
  text += piece;
}

constexpr CommandRow kBuiltIns[] = {
    {1, "q", "Quit", &CommandShell::QuitHandler},
    {1, "x", nullptr, &CommandShell::QuitHandler},
    {2, "H", "Help", &CommandShell::HelpHandler},
    {2, "help", nullptr, &CommandShell::HelpHandler},
};

constexpr std::int32_t kQuitId = 1;
constexpr std::size_t kKeptLineCapacity = std::size_t{1} << 20;

}  // namespace

bool UnsignedByteLess::operator()(std::string_view a, std::string_view b) const noexcept {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  return order != 0 ? order < 0 : a.size() < b.size();
}

CommandShell::CommandShell(bool wordsOnly, bool echoCommands)
    : wordsOnly(wordsOnly), echoCommands(echoCommands) {
  AddCommands(kBuiltIns, this);
}

CommandShell::~CommandShell() = default;

void CommandShell::AddCommand(std::int32_t id, const char* name, const char* help,
                              CommandHandler handler, void* userValue, bool continues) {
  if (name == nullptr) return;
  std::string key(name);
  if (foldCase) UpperCaseInPlace(key.data());
  // emplace keeps an existing entry of the same name untouched.
  commands.emplace(key, CommandEntry{id, key, help, handler, userValue, continues});
}

void CommandShell::AddCommands(std::span<const CommandRow> rows, void* userValue) {
  for (const CommandRow& row : rows) {
    AddCommand(row.id, row.name, row.help, row.handler, userValue, row.continues);
  }
}

std::vector<std::string> CommandShell::CommandNames() const {
  std::vector<std::string> names;
  names.reserve(commands.size());
  for (const auto& [name, entry] : commands) names.push_back(name);
  return names;
}

std::int32_t CommandShell::Dispatch(char* word) {
  if (word == nullptr) return -1;
  UpperCaseInPlace(word);
  if (echoCommands) {
    std::string text;
    EchoTokens(text);
    text += '\n';
    Print("%s", text.c_str());
  }
  const auto found = commands.find(std::string_view(word));
  if (found == commands.end()) {
    if (reportUnknown) OnUnknownCommand(tokenCount, tokens);
    return -1;
  }
  // Copied out: a handler may register further commands while it runs.
  const CommandEntry entry = found->second;
  if (entry.handler != nullptr) entry.handler(tokenCount, tokens, entry.userValue);
  OnCommandDone(tokenCount, tokens, entry.userValue);
  return entry.id;
}

std::int32_t CommandShell::Run() {
  for (;;) {
    Print("#%02x%s", static_cast<unsigned>(TokenColors[Other]), "-");
    // A very long line's memory is given back rather than held for the rest of the session.
    if (line_.capacity() > kKeptLineCapacity) std::string().swap(line_);
    // The end of input ends the session as a quit command would.
    const LineRead read = ReadLine(line_);
    if (read == LineRead::kEnd) return kQuitId;
    if (read == LineRead::kTooLong) {
      // None of it runs: a statement cut anywhere could still be valid and do something else.
      Print("Line not run: it is longer than %zu MiB.\n", kMaxLineBytes >> 20);
      continue;
    }
    if (read == LineRead::kDropped) continue;
    if (!AcceptLine(line_.c_str())) continue;
    // A statement of several lines is tokenized again whole, from the quote state its first line
    // started in; one that does not run leaves that state as it was.
    const char quoteBefore = openQuote;
    if (Tokenize(line_, tokenText) == 0) continue;
    if (const char mark = ContinuedMark(); mark != 0) {
      const StatementRead statement = ReadRestOfStatement(mark);
      openQuote = quoteBefore;
      switch (statement) {
        case StatementRead::kComplete:
          break;
        case StatementRead::kTooLong:
          Print("Statement not run: it is longer than %zu MiB.\n", kMaxLineBytes >> 20);
          continue;
        case StatementRead::kDropped:
          continue;
        case StatementRead::kEnd:
          // None of it runs: the input may have been cut off anywhere in the statement.
          Print("Statement not run: the input ended before its closing %c.\n", mark);
          return kQuitId;
      }
      Tokenize(line_, tokenText);
    }
    if (Dispatch(tokens[0]) == kQuitId) return kQuitId;
  }
}

char CommandShell::ContinuedMark() const {
  if (tokenCount == 0) return 0;
  std::string word(tokens[0]);
  if (foldCase) UpperCaseInPlace(word.data());
  const auto found = commands.find(std::string_view(word));
  if (found == commands.end() || !found->second.continues) return 0;
  return ArgumentOpenMark();
}

CommandShell::StatementRead CommandShell::ReadRestOfStatement(char mark) {
  bool tooLong = false;
  for (;;) {
    if (nextLine_.capacity() > kKeptLineCapacity) std::string().swap(nextLine_);
    switch (ReadContinuedLine(nextLine_, mark)) {
      case LineRead::kEnd:
        return StatementRead::kEnd;
      case LineRead::kDropped:
        return StatementRead::kDropped;
      case LineRead::kTooLong:
        // Its last byte is unknown; the statement goes on until a line that is seen ends it.
        tooLong = true;
        std::string().swap(line_);
        continue;
      case LineRead::kLine:
        break;
    }
    if (!tooLong && nextLine_.size() + 1 > kMaxLineBytes - line_.size()) {
      tooLong = true;
      std::string().swap(line_);
    }
    if (!tooLong) {
      line_ += '\n';
      line_ += nextLine_;
    }
    // A line of blanks leaves the statement open; any other ends it when its last byte is the mark.
    const std::size_t last = nextLine_.find_last_not_of(" \t\r\n");
    if (last != std::string::npos && nextLine_[last] == mark) {
      return tooLong ? StatementRead::kTooLong : StatementRead::kComplete;
    }
  }
}

void CommandShell::ShowHelp() {
  std::string text;
  for (const auto& [name, entry] : commands) {
    if (entry.help == nullptr) continue;
    AppendColored(text, TokenColors[Word], name);
    text += " #0f: ";
    text += entry.help;
    text += '\n';
  }
  Print("%s", text.c_str());
}

void CommandShell::EchoTokens(std::string& text) const {
  for (std::int32_t i = 0; i < tokenCount; ++i) {
    AppendColored(text, TokenColors[tokenKinds[i]], tokens[i]);
    text += ' ';
  }
}

void CommandShell::QuitHandler(std::int32_t, char**, void*) {}

void CommandShell::HelpHandler(std::int32_t, char**, void* userValue) {
  if (userValue != nullptr) static_cast<CommandShell*>(userValue)->ShowHelp();
}

bool CommandShell::AcceptLine(const char* line) { return line != nullptr && line[0] != '\0'; }

void CommandShell::OnUnknownCommand(std::int32_t, char**) {
  std::string text;
  AppendColored(text, TokenColors[Other], "Unknown command> ");
  EchoTokens(text);
  AppendColored(text, TokenColors[Other], "Press 'H' for help\n");
  Print("%s", text.c_str());
}

void CommandShell::OnCommandDone(std::int32_t, char**, void*) {}

void CommandShell::Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vprintf(format, arguments);
  va_end(arguments);
}

CommandShell::LineRead CommandShell::ReadContinuedLine(std::string& line, char) { return ReadLine(line); }

CommandShell::LineRead CommandShell::ReadLine(std::string& line) {
  line.clear();
  bool any = false;
  bool tooLong = false;
  for (;;) {
    const int ch = std::getchar();
    if (ch == EOF) {
      if (!any) return LineRead::kEnd;
      break;
    }
    any = true;
    if (ch == '\n') break;
    if (tooLong) continue;
    if (line.size() == kMaxLineBytes) {
      tooLong = true;
      std::string().swap(line);
      continue;
    }
    line += static_cast<char>(ch);
  }
  if (tooLong) return LineRead::kTooLong;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return LineRead::kLine;
}

}  // namespace ql::shell
