#pragma once
// A reusable interactive command interpreter: reads a line, splits it into at most 16 typed tokens,
// looks the first token up in a registry of commands without regard to case, and calls the
// command's handler, until a command with id 1 has run.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "shell/token_kind.h"

namespace shell {

class CommandShell;

// A command's handler: the token count (command word included), the tokens (token 0 is the
// upper-cased command word) and the value given at registration.
using CommandHandler = void (*)(std::int32_t tokenCount, char** tokens, void* userValue);

struct CommandEntry {
  std::int32_t id = 0;
  std::string name;
  const char* help = nullptr;  // not owned; a command without help is left out of the listing
  CommandHandler handler = nullptr;
  void* userValue = nullptr;
};

// Orders names by their bytes as unsigned values, shorter first on a common prefix. Transparent, so
// that a command word is looked up without copying it into a string.
struct UnsignedByteLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};

class CommandShell {
 public:
  static constexpr std::int32_t kMaxTokens = 16;
  static constexpr std::int32_t kLineSize = 320;  // the loop's line buffer, NUL included
  // A line of kLineSize - 1 bytes can form as many one-byte tokens as the limit allows, each with
  // its NUL in front, plus the final NUL: this many bytes always hold the tokens of one line.
  static constexpr std::int32_t kTokenTextSize = kLineSize + kMaxTokens + 1;

  CommandShell(bool wordsOnly, bool echoCommands);
  virtual ~CommandShell();
  CommandShell(const CommandShell&) = delete;
  CommandShell& operator=(const CommandShell&) = delete;

  // Tokenizer.
  TokenKind Classify(unsigned char ch) const noexcept;
  // Splits `line` into the token list, the tokens' characters going to `text`, an area of
  // kTokenTextSize bytes (the shell's own area in every caller). Returns the token count. A line
  // longer than kLineSize - 1 bytes is scanned only as far as the area holds.
  std::int32_t Tokenize(const char* line, char* text);
  // Tokens first .. first + n - 1 joined with single blanks into `out`; a range reaching past the
  // token list is cut to it. `out` needs kTokenTextSize bytes at most.
  void JoinTokens(std::int32_t first, std::int32_t n, char* out) const;
  // Every token after the command word, joined; the empty string when there is none.
  char* JoinArguments(char* out) const;

  // Registry and loop.
  void AddCommand(std::int32_t id, const char* name, const char* help, CommandHandler handler,
                  void* userValue);
  // Upper-cases `word` (token 0 of the token list) in place and runs its command: the command's
  // id, or -1 when no command has that name.
  std::int32_t Dispatch(char* word);
  // Prompts, reads and dispatches lines; returns 1 once a command with id 1 has run, or at the end
  // of input.
  std::int32_t Run();
  void ShowHelp();
  void EchoTokens(std::string& text) const;

  static void QuitHandler(std::int32_t tokenCount, char** tokens, void* userValue);
  static void HelpHandler(std::int32_t tokenCount, char** tokens, void* userValue);

  std::int32_t TokenCount() const noexcept { return tokenCount; }
  char* const* Tokens() const noexcept { return tokens; }
  const TokenKind* TokenKinds() const noexcept { return tokenKinds; }
  char OpenQuote() const noexcept { return openQuote; }
  // True when the last line did not reach the token list whole: tokens past the limit were
  // dropped, or the line was longer than the loop's buffer and its rest comes as further lines.
  bool LineCut() const noexcept { return lineCut; }

  bool reportUnknown = false;

 protected:
  virtual bool AcceptLine(const char* line);
  virtual void OnUnknownCommand(std::int32_t tokenCount, char** tokens);
  virtual void OnCommandDone(std::int32_t tokenCount, char** tokens, void* userValue);
  virtual void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // One line into buffer, NUL-terminated, at most size - 1 bytes (the rest of a longer line comes
  // with the next calls). Returns the count of bytes taken from the input, line end included, so
  // an empty line gives 1; 0 means the end of input (or a failed read) and ends Run.
  virtual std::int32_t ReadLine(char* buffer, std::int32_t size);

 private:
  bool wordsOnly;
  bool echoCommands;
  bool foldCase = true;
  char openQuote = 0;
  bool lineCut = false;
  char tokenText[kTokenTextSize] = {};
  std::int32_t tokenCount = 0;
  char* tokens[kMaxTokens] = {};
  TokenKind tokenKinds[kMaxTokens] = {};
  std::map<std::string, CommandEntry, UnsignedByteLess> commands;
};

}  // namespace shell
