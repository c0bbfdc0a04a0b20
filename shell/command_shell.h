#pragma once
// A reusable interactive command interpreter: reads a line, splits it into at most 16 typed tokens,
// looks the first token up in a registry of commands without regard to case, and calls the
// command's handler, until a command with id 1 has run.

#include <cstdint>
#include <map>
#include <string>

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

// Orders names by their bytes as unsigned values, shorter first on a common prefix.
struct UnsignedByteLess {
  bool operator()(const std::string& a, const std::string& b) const noexcept;
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
  std::int32_t Tokenize(const char* line, char* text);
  void JoinTokens(std::int32_t first, std::int32_t n, char* out) const;
  char* JoinArguments(char* out) const;

  // Registry and loop.
  void AddCommand(std::int32_t id, const char* name, const char* help, CommandHandler handler,
                  void* userValue);
  std::int32_t Dispatch(char* word);
  std::int32_t Run();
  void ShowHelp();
  void EchoTokens(std::string& text) const;

  static void QuitHandler(std::int32_t tokenCount, char** tokens, void* userValue);
  static void HelpHandler(std::int32_t tokenCount, char** tokens, void* userValue);

  std::int32_t TokenCount() const noexcept { return tokenCount; }
  char* const* Tokens() const noexcept { return tokens; }
  const TokenKind* TokenKinds() const noexcept { return tokenKinds; }
  char OpenQuote() const noexcept { return openQuote; }

  bool reportUnknown = false;

 protected:
  virtual bool AcceptLine(const char* line);
  virtual void OnUnknownCommand(std::int32_t tokenCount, char** tokens);
  virtual void OnCommandDone(std::int32_t tokenCount, char** tokens, void* userValue);
  virtual void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // One line into buffer, NUL-terminated, at most size - 1 bytes; 0 when nothing could be read.
  virtual std::int32_t ReadLine(char* buffer, std::int32_t size);

 private:
  bool wordsOnly;
  bool echoCommands;
  bool foldCase = true;
  char openQuote = 0;
  char tokenText[kTokenTextSize] = {};
  std::int32_t tokenCount = 0;
  char* tokens[kMaxTokens] = {};
  TokenKind tokenKinds[kMaxTokens] = {};
  std::map<std::string, CommandEntry, UnsignedByteLess> commands;
};

}  // namespace shell
