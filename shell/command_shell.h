#pragma once
// A reusable interactive command interpreter: reads a line through its I/O, splits it into tokens,
// looks the first token up in a table of commands without regard to case, and calls the command's
// handler, until a command whose handler is Quit has run or the input ends. Lines are read whole,
// however long (up to ShellIo::kMaxLineBytes); a handler that needs the text as typed takes it from
// ArgumentText. The text of a command registered as continuing goes on over the next lines while
// the quotation mark it starts with stays open (see Tokenizer::ArgumentOpenMark): the command runs
// once, on the whole statement.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shell/shell_io.h"
#include "shell/tokenizer.h"

namespace ql::shell {

// A command's handler: the token count (command word included), the tokens (token 0 is the
// upper-cased command word) and the value given at registration.
using CommandHandler = void (*)(std::int32_t tokenCount, char** tokens, void* userValue);

// The handler of the commands that end the session: a row with it is a quit command. It does
// nothing itself; the loop ends once it has been dispatched.
void Quit(std::int32_t tokenCount, char** tokens, void* userValue);

// A row of a table of commands, as a program writes its commands once; see AddCommands.
struct CommandRow {
  const char* name = nullptr;
  const char* help = nullptr;  // a command without help is left out of the listing
  CommandHandler handler = nullptr;
  // The text after the word goes on over the next lines while its opening quote stays open.
  bool continues = false;
};

// How the shell behaves, fixed when it is built.
struct ShellOptions {
  bool wordsOnly = false;      // see Tokenizer
  bool echoCommands = false;   // each line's tokens are written, in their colours, before it runs
  bool reportUnknown = false;  // a word that is no command is reported (ShellIo::OnUnknownCommand)
  bool prompting = true;       // the prompt is written before each line is read
};

// Orders names by their bytes as unsigned values, shorter first on a common prefix. Transparent, so
// that a command word is looked up without copying it into a string.
struct UnsignedByteLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};

class CommandShell {
 public:
  // `io` must outlive the shell. The built-in commands are registered: Q and X quit, H and HELP
  // list the commands with help.
  explicit CommandShell(ShellIo& io, ShellOptions options = {});
  CommandShell(const CommandShell&) = delete;
  CommandShell& operator=(const CommandShell&) = delete;

  void AddCommand(const char* name, const char* help, CommandHandler handler, void* userValue, bool continues = false);
  // Every row of `rows`, in order, each with `userValue`. A name registered already keeps its first
  // command.
  void AddCommands(std::span<const CommandRow> rows, void* userValue);
  // Prompts, reads and runs lines until a quit command has run, the input ends, or the I/O says not
  // to go on.
  void Run();

  // The registered command words, upper-cased, in the order of the help listing.
  std::vector<std::string> CommandNames() const;
  // For the handler running: the text after the command word, as typed (Tokenizer::ArgumentText).
  std::string_view ArgumentText() const noexcept { return tokenizer_.ArgumentText(); }
  // The line last run, split.
  const Tokenizer& Line() const noexcept { return tokenizer_; }

 private:
  struct CommandEntry {
    const char* help = nullptr;  // not owned
    CommandHandler handler = nullptr;
    void* userValue = nullptr;
    bool continues = false;
  };
  enum class Outcome { kGoOn, kQuit };
  enum class StatementRead { kComplete, kTooLong, kEnd, kDropped };

  static void HelpHandler(std::int32_t tokenCount, char** tokens, void* userValue);
  void ShowHelp();
  // Upper-cases token 0 of the token list in place and runs its command, if there is one.
  Outcome Dispatch();
  // Runs the line just read (`read` says how the reading went).
  Outcome RunLine(LineRead read);
  // The mark of an open quote that the tokenized line's command continues over the next lines, or 0.
  char ContinuedMark() const;
  // Appends the statement's next lines to line_, each after a line end, until one ends with `mark`.
  // Past kMaxLineBytes the lines are read on to that end without being kept (kTooLong).
  StatementRead ReadRestOfStatement(char mark);

  ShellIo& io_;
  const ShellOptions options_;
  Tokenizer tokenizer_;
  std::string line_;      // the line Run read last, or the statement its lines made up
  std::string nextLine_;  // a line of a statement going on over several
  std::map<std::string, CommandEntry, UnsignedByteLess> commands_;
  std::map<std::string, CommandEntry, UnsignedByteLess>::const_iterator lastFound_ = commands_.end();
};

}  // namespace ql::shell
