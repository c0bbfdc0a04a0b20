// The command shell: lines split into tokens and dispatched to the commands registered.
//
// Properties: the loop ends at the end of its input; a handler is called at most once per line read,
// only for a line whose command word is its name without regard to case, with between 1 and the
// maximum of tokens, none of them null; the joined arguments fit the size promised for them and hold
// only bytes of the line they came from (and the blanks that join them); the argument text is a
// piece of that line as typed, with nothing after it but blanks and the quotation mark it began with.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "shell/command_shell.h"

namespace ql {

namespace {

[[noreturn]] void Fail(const char* what, std::string_view line) {
  std::fprintf(stderr, "%s\nline: %.*s\n", what, static_cast<int>(line.size()), line.data());
  std::abort();
}

constexpr const char* kNames[] = {"Open", "SQL", "t", "Record", "count", "CLS", "DB", "Table", "About"};

// Lines from the input; nothing written.
class FuzzIo final : public shell::ShellIo {
 public:
  explicit FuzzIo(std::string_view input) : input_(input) {}

  shell::LineRead ReadLine(std::string& line) override {
    if (input_.empty()) return shell::LineRead::kEnd;
    const std::size_t end = input_.find('\n');
    line.assign(input_.substr(0, end));
    input_.remove_prefix(end == std::string_view::npos ? input_.size() : end + 1);
    line_ = line;
    ++linesRead;
    callsThisLine = 0;
    return shell::LineRead::kLine;
  }
  void Write(std::string_view) override {}

  const std::string& Line() const noexcept { return line_; }

  std::size_t linesRead = 0;
  std::size_t calls = 0;
  std::size_t callsThisLine = 0;

 private:
  std::string_view input_;
  std::string line_;
};

class FuzzShell {
 public:
  FuzzShell(std::string_view input, bool wordsOnly)
      : io(input), shell(io, {.wordsOnly = wordsOnly, .reportUnknown = true}) {
    for (const char* name : kNames) shell.AddCommand(name, "help", &Handle, this);
  }

  FuzzIo io;
  shell::CommandShell shell;

 private:
  static void Handle(std::int32_t tokenCount, char** tokens, void* self) {
    static_cast<FuzzShell*>(self)->Check(tokenCount, tokens);
  }

  void Check(std::int32_t tokenCount, char** tokens) {
    using shell::Tokenizer;
    const std::string& line = io.Line();
    ++io.calls;
    if (++io.callsThisLine > 1) Fail("two handlers ran for one line", line);
    if (tokenCount < 1 || tokenCount > Tokenizer::kMaxTokens) Fail("token count out of range", line);
    for (std::int32_t i = 0; i < tokenCount; ++i) {
      if (tokens[i] == nullptr) Fail("a null token", line);
    }
    bool named = false;
    for (const char* name : kNames) {
      std::string upper(name);
      for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
      named = named || upper == tokens[0];
    }
    if (!named) Fail("a handler ran for a word that is not its name", line);
    std::vector<char> joined(Tokenizer::kTokenTextSize + 64, '\x7f');
    shell.Line().JoinArguments(joined.data());
    const std::size_t length = ::strnlen(joined.data(), joined.size());
    if (length >= static_cast<std::size_t>(Tokenizer::kTokenTextSize)) {
      Fail("joined arguments overflow their size", line);
    }
    for (std::size_t i = 0; i < length; ++i) {
      if (joined[i] != ' ' && line.find(joined[i]) == std::string::npos) Fail("an argument byte not in the line", line);
    }
    const std::string_view argument = shell.ArgumentText();
    const std::size_t at = line.rfind(argument);
    if (at == std::string::npos) Fail("the argument text is not a piece of the line", line);
    std::string_view after = std::string_view(line).substr(at + argument.size());
    if (!after.empty() && (after.front() == '"' || after.front() == '\'')) after.remove_prefix(1);
    for (char c : after) {
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
        Fail("the argument text stops short of the line's end", line);
      }
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  FuzzShell fuzz(input, (bytes[0] & 1) != 0);
  fuzz.shell.Run();
  if (fuzz.io.calls > fuzz.io.linesRead) Fail("more commands ran than lines were read", input);
  return 0;
}

}  // namespace ql
