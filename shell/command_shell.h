#pragma once
// A reusable interactive command interpreter: reads a line, splits it into at most kMaxTokens typed
// tokens, looks the first token up in a registry of commands without regard to case, and calls the
// command's handler, until a command with id 1 has run. Lines are read whole, however long (up to
// kMaxLineBytes); the tokens come from a bounded prefix of the line, and a handler that needs the
// text as typed takes it from ArgumentText. The text of a command registered as continuing goes on
// over the next lines while the quotation mark it starts with stays open (see ArgumentOpenMark): the
// command runs once, on the whole statement.

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shell/token_kind.h"

namespace ql::shell {

class CommandShell;

// A command's handler: the token count (command word included), the tokens (token 0 is the
// upper-cased command word) and the value given at registration.
using CommandHandler = void (*)(std::int32_t tokenCount, char** tokens, void* userValue);

// A row of a table of commands, as a program writes its commands once; see AddCommands.
struct CommandRow {
  std::int32_t id = 0;
  const char* name = nullptr;
  const char* help = nullptr;  // a command without help is left out of the listing
  CommandHandler handler = nullptr;
  // The text after the word goes on over the next lines while its opening quote stays open.
  bool continues = false;
};

struct CommandEntry {
  std::int32_t id = 0;
  std::string name;
  const char* help = nullptr;  // not owned; a command without help is left out of the listing
  CommandHandler handler = nullptr;
  void* userValue = nullptr;
  bool continues = false;
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
  // The tokens are taken from at most the first kLineSize - 1 bytes of a line (the rest is only
  // scanned for quotation marks). A line of kLineSize - 1 bytes can form as many one-byte tokens as
  // the limit allows, each with its NUL in front, plus the final NUL: this many bytes always hold
  // the tokens of one line.
  static constexpr std::int32_t kLineSize = 320;
  static constexpr std::int32_t kTokenTextSize = kLineSize + kMaxTokens + 1;
  // The longest line run, line end not counted; a longer one is refused whole.
  static constexpr std::size_t kMaxLineBytes = std::size_t{64} << 20;

  // What ReadLine found. kDropped: the person at the terminal dropped the line being typed (Ctrl-C).
  enum class LineRead { kLine, kTooLong, kEnd, kDropped };

  CommandShell(bool wordsOnly, bool echoCommands);
  virtual ~CommandShell();
  CommandShell(const CommandShell&) = delete;
  CommandShell& operator=(const CommandShell&) = delete;

  // Tokenizer.
  TokenKind Classify(unsigned char ch) const noexcept;
  // Splits `line` into the token list, the tokens' characters going to `text`, an area of
  // kTokenTextSize bytes (the shell's own area in every caller). Returns the token count. A line
  // longer than kLineSize - 1 bytes is scanned only as far as the area holds; tokens end at a NUL
  // byte, but the quotation marks after it still count for the quote state. `line` must outlive the
  // use of ArgumentText.
  std::int32_t Tokenize(std::string_view line, char* text);
  std::int32_t Tokenize(const char* line, char* text) {
    return Tokenize(std::string_view(line != nullptr ? line : ""), text);
  }
  // Tokens first .. first + n - 1 joined with single blanks into `out`; a range reaching past the
  // token list is cut to it. `out` needs kTokenTextSize bytes at most.
  void JoinTokens(std::int32_t first, std::int32_t n, char* out) const;
  // Every token after the command word, joined; the empty string when there is none.
  char* JoinArguments(char* out) const;
  // The text of the last tokenized line after the command word, exactly as typed but for these: the
  // blanks before it and after it, and a quotation mark (double or single) it starts with, with the
  // same mark where it ends, are dropped. NUL bytes are kept.
  std::string_view ArgumentText() const noexcept;
  // The quotation mark that the text after the command word starts with (after its blanks) when the
  // text does not also end with it, so that ArgumentText would drop no closing mark: the statement is
  // still open. 0 when the text starts with no mark or closes it.
  char ArgumentOpenMark() const noexcept;

  // Registry and loop.
  void AddCommand(std::int32_t id, const char* name, const char* help, CommandHandler handler,
                  void* userValue, bool continues = false);
  // Every row of `rows`, in order, each with `userValue`.
  void AddCommands(std::span<const CommandRow> rows, void* userValue);
  // Upper-cases `word` (token 0 of the token list) in place and runs its command: the command's
  // id, or -1 when no command has that name.
  std::int32_t Dispatch(char* word);
  // Prompts, reads and dispatches lines; returns 1 once a command with id 1 has run, or at the end
  // of input.
  std::int32_t Run();
  void ShowHelp();
  void EchoTokens(std::string& text) const;
  // The registered command words, upper-cased, in the order of the help listing.
  std::vector<std::string> CommandNames() const;

  static void QuitHandler(std::int32_t tokenCount, char** tokens, void* userValue);
  static void HelpHandler(std::int32_t tokenCount, char** tokens, void* userValue);

  std::int32_t TokenCount() const noexcept { return tokenCount; }
  char* const* Tokens() const noexcept { return tokens; }
  const TokenKind* TokenKinds() const noexcept { return tokenKinds; }
  char OpenQuote() const noexcept { return openQuote; }
  // True when the last line did not reach the token list whole: tokens past the limit, or bytes
  // past the scanned prefix, were left out of it. ArgumentText still holds them.
  bool LineCut() const noexcept { return lineCut; }

  bool reportUnknown = false;

 protected:
  virtual bool AcceptLine(const char* line);
  virtual void OnUnknownCommand(std::int32_t tokenCount, char** tokens);
  virtual void OnCommandDone(std::int32_t tokenCount, char** tokens, void* userValue);
  virtual void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The next line into `line`, whole, without its line end (nor a carriage return before it), NUL
  // bytes kept. A line longer than kMaxLineBytes is read on to its end and not kept: kTooLong. kEnd
  // at the end of input (or a failed read) ends Run; a last line without a line end is a line.
  virtual LineRead ReadLine(std::string& line);
  // The next line of a statement whose quotation mark `mark` is still open; by default ReadLine.
  virtual LineRead ReadContinuedLine(std::string& line, char mark);

 private:
  enum class StatementRead { kComplete, kTooLong, kEnd, kDropped };
  // The mark of an open quote that the tokenized line's command continues over the next lines, or 0.
  char ContinuedMark() const;
  // Appends the statement's next lines to line_, each after a line end, until one ends with `mark`.
  // Past kMaxLineBytes the lines are read on to that end without being kept (kTooLong).
  StatementRead ReadRestOfStatement(char mark);

  bool wordsOnly;
  bool echoCommands;
  bool foldCase = true;
  char openQuote = 0;
  bool lineCut = false;
  char tokenText[kTokenTextSize] = {};
  std::string line_;               // the line Run read last, or the statement its lines made up
  std::string nextLine_;           // a line of a statement going on over several
  std::string_view tokenized_;     // the line Tokenize split last
  std::size_t commandWordEnd_ = 0; // in tokenized_, just past the last byte of the command word
  std::int32_t tokenCount = 0;
  char* tokens[kMaxTokens] = {};
  TokenKind tokenKinds[kMaxTokens] = {};
  std::map<std::string, CommandEntry, UnsignedByteLess> commands;
};

}  // namespace ql::shell
