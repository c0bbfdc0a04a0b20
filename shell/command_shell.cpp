// The command registry, the dispatch loop and the built-in commands of CommandShell, with the base
// line input and output on the standard streams.

#include "shell/command_shell.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace shell {

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

struct BuiltIn {
  std::int32_t id;
  const char* name;
  const char* help;
  CommandHandler handler;
};

constexpr BuiltIn kBuiltIns[] = {
    {1, "q", "Quit", &CommandShell::QuitHandler},
    {1, "x", nullptr, &CommandShell::QuitHandler},
    {2, "H", "Help", &CommandShell::HelpHandler},
    {2, "help", nullptr, &CommandShell::HelpHandler},
};

constexpr std::int32_t kQuitId = 1;

}  // namespace

bool UnsignedByteLess::operator()(std::string_view a, std::string_view b) const noexcept {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  return order != 0 ? order < 0 : a.size() < b.size();
}

CommandShell::CommandShell(bool wordsOnly, bool echoCommands)
    : wordsOnly(wordsOnly), echoCommands(echoCommands) {
  for (const BuiltIn& command : kBuiltIns) {
    AddCommand(command.id, command.name, command.help, command.handler, this);
  }
}

CommandShell::~CommandShell() = default;

void CommandShell::AddCommand(std::int32_t id, const char* name, const char* help,
                              CommandHandler handler, void* userValue) {
  if (name == nullptr) return;
  std::string key(name);
  if (foldCase) UpperCaseInPlace(key.data());
  // emplace keeps an existing entry of the same name untouched.
  commands.emplace(key, CommandEntry{id, key, help, handler, userValue});
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
  char line[kLineSize];
  for (;;) {
    Print("#%02x%s", static_cast<unsigned>(TokenColors[Other]), "-");
    // Cleared before every read so that nothing of an earlier line can be taken for a new one.
    std::memset(line, 0, sizeof line);
    // The end of input ends the session as a quit command would.
    const std::int32_t read = ReadLine(line, kLineSize);
    if (read == 0) return kQuitId;
    line[kLineSize - 1] = '\0';
    if (!AcceptLine(line)) continue;
    if (Tokenize(line, tokenText) == 0) continue;
    // A full buffer without a line end: the rest of the line comes with the next reads.
    if (read == kLineSize - 1 && line[kLineSize - 2] != '\n') lineCut = true;
    if (Dispatch(tokens[0]) == kQuitId) return kQuitId;
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

std::int32_t CommandShell::ReadLine(char* buffer, std::int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  // Counts every byte taken from the input, the line end included, so that an empty line (1) is
  // told apart from the end of input (0).
  std::int32_t taken = 0;
  std::int32_t stored = 0;
  bool lineEnd = false;
  while (stored < size - 1) {
    const int ch = std::getchar();
    if (ch == EOF) break;
    ++taken;
    if (ch == '\n') {
      lineEnd = true;
      break;
    }
    buffer[stored++] = static_cast<char>(ch);
  }
  if (!lineEnd && stored > 0 && stored == size - 1) {
    // A line that exactly fills the buffer: take its line end now, so that it does not come back
    // as an empty line of its own. The rest of a longer line stays for the next call.
    const int after = std::getchar();
    if (after == '\n') {
      ++taken;
      lineEnd = true;
    } else if (after != EOF) {
      std::ungetc(after, stdin);
    }
  }
  if (lineEnd && stored > 0 && buffer[stored - 1] == '\r') --stored;
  buffer[stored] = '\0';
  return taken;
}

}  // namespace shell
