// The command table, the dispatch loop and the built-in commands of CommandShell.

#include "shell/command_shell.h"

#include <cstring>
#include <utility>

namespace ql::shell {

namespace {

// Case folding is ASCII only: the program runs in the C locale and its texts are UTF-8, whose
// multibyte sequences must pass through unchanged.
void UpperCaseInPlace(char* text) noexcept {
  for (; *text != '\0'; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

constexpr std::size_t kKeptLineCapacity = std::size_t{1} << 20;

}  // namespace

void Quit(std::int32_t, char**, void*) {}

bool UnsignedByteLess::operator()(std::string_view a, std::string_view b) const noexcept {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  return order != 0 ? order < 0 : a.size() < b.size();
}

CommandShell::CommandShell(ShellIo& io, ShellOptions options)
    : io_(io), options_(options), tokenizer_(options.wordsOnly) {
  const CommandRow builtIns[] = {
      {"q", "Quit", Quit},
      {"x", nullptr, Quit},
      {"H", "Help", HelpHandler},
      {"help", nullptr, HelpHandler},
  };
  AddCommands(builtIns, this);
}

void CommandShell::AddCommand(const char* name, const char* help, CommandHandler handler, void* userValue,
                              bool continues) {
  if (name == nullptr) return;
  std::string key(name);
  UpperCaseInPlace(key.data());
  // emplace keeps an existing entry of the same name untouched.
  commands_.emplace(std::move(key), CommandEntry{help, handler, userValue, continues});
}

void CommandShell::AddCommands(std::span<const CommandRow> rows, void* userValue) {
  for (const CommandRow& row : rows) AddCommand(row.name, row.help, row.handler, userValue, row.continues);
}

std::vector<std::string> CommandShell::CommandNames() const {
  std::vector<std::string> names;
  names.reserve(commands_.size());
  for (const auto& [name, entry] : commands_) names.push_back(name);
  return names;
}

CommandShell::Outcome CommandShell::Dispatch() {
  char* const word = tokenizer_.Tokens()[0];
  UpperCaseInPlace(word);
  if (options_.echoCommands) {
    std::string text;
    tokenizer_.EchoTokens(text);
    text += '\n';
    io_.Write(text);
  }
  // Stepping through a result runs the same command line after line: the command found last is
  // tried before the table is searched. Entries are never removed, so the iterator stays valid.
  auto found = lastFound_;
  if (found == commands_.end() || found->first != std::string_view(word))
    found = commands_.find(std::string_view(word));
  lastFound_ = found;
  if (found == commands_.end()) {
    if (options_.reportUnknown) io_.OnUnknownCommand(tokenizer_);
    return Outcome::kGoOn;
  }
  // Copied out: a handler may register further commands while it runs.
  const CommandEntry entry = found->second;
  if (entry.handler == &Quit) return Outcome::kQuit;
  if (entry.handler != nullptr) {
    entry.handler(tokenizer_.TokenCount(), tokenizer_.Tokens(), entry.userValue);
  }
  return Outcome::kGoOn;
}

void CommandShell::Run() {
  for (;;) {
    if (options_.prompting) {
      std::string prompt;
      AppendColored(prompt, TokenColors[Other], "-");
      io_.Write(prompt);
    }
    // A very long line's memory is given back rather than held for the rest of the session.
    if (line_.capacity() > kKeptLineCapacity) std::string().swap(line_);
    // The end of input ends the session as a quit command would.
    const LineRead read = io_.ReadLine(line_);
    if (read == LineRead::kEnd) return;
    if (RunLine(read) == Outcome::kQuit || !io_.GoOn()) return;
  }
}

CommandShell::Outcome CommandShell::RunLine(LineRead read) {
  if (read == LineRead::kTooLong) {
    // None of it runs: a statement cut anywhere could still be valid and do something else.
    io_.OnLineTooLong();
    return Outcome::kGoOn;
  }
  // A line that starts with a NUL is not run, nor read for its quotation marks.
  if (read == LineRead::kDropped || line_.empty() || line_[0] == '\0') return Outcome::kGoOn;
  // A statement of several lines is tokenized again whole, from the quote state its first line
  // started in; one that does not run leaves that state as it was.
  const char quoteBefore = tokenizer_.OpenQuote();
  if (tokenizer_.Tokenize(line_) == 0) return Outcome::kGoOn;
  if (const char mark = ContinuedMark(); mark != 0) {
    const StatementRead statement = ReadRestOfStatement(mark);
    tokenizer_.SetOpenQuote(quoteBefore);
    switch (statement) {
      case StatementRead::kComplete:
        break;
      case StatementRead::kTooLong:
        io_.OnStatementTooLong();
        return Outcome::kGoOn;
      case StatementRead::kDropped:
        return Outcome::kGoOn;
      case StatementRead::kEnd:
        // None of it runs: the input may have been cut off anywhere in the statement.
        io_.OnStatementNotClosed(mark);
        return Outcome::kQuit;
    }
    tokenizer_.Tokenize(line_);
  }
  return Dispatch();
}

char CommandShell::ContinuedMark() const {
  // The open mark is found without a lookup; most lines have none, and need no second lookup.
  const char mark = tokenizer_.ArgumentOpenMark();
  if (mark == 0) return 0;
  std::string word(tokenizer_.Tokens()[0]);
  UpperCaseInPlace(word.data());
  const auto found = commands_.find(std::string_view(word));
  return found != commands_.end() && found->second.continues ? mark : 0;
}

CommandShell::StatementRead CommandShell::ReadRestOfStatement(char mark) {
  bool tooLong = false;
  for (;;) {
    if (nextLine_.capacity() > kKeptLineCapacity) std::string().swap(nextLine_);
    switch (io_.ReadContinuedLine(nextLine_, mark)) {
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
    if (!tooLong && nextLine_.size() + 1 > ShellIo::kMaxLineBytes - line_.size()) {
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
  for (const auto& [name, entry] : commands_) {
    if (entry.help == nullptr) continue;
    AppendColored(text, TokenColors[Word], name);
    text += " #0f: ";
    text += entry.help;
    text += '\n';
  }
  io_.Write(text);
}

void CommandShell::HelpHandler(std::int32_t, char**, void* userValue) {
  static_cast<CommandShell*>(userValue)->ShowHelp();
}

}  // namespace ql::shell
