// The command-line options: --help and --version answer and exit, anything else is a usage error;
// none of them starts a session, touches the terminal or writes a file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_in_terminal.h"
#include "support/run_program.h"
#include "support/temporary_directory.h"

namespace ql {

namespace {

using testsupport::ProgramOptions;
using testsupport::RunProgram;

// What a run printed on one of its streams.
enum class Shows { kNothing, kUsage, kVersion };

bool IsUsage(const std::string& text) {
  const std::string last = "The manual: man queryloom\n";
  return text.rfind("Usage: queryloom [--help | --version]\n", 0) == 0 && text.size() > last.size() &&
         text.compare(text.size() - last.size(), last.size(), last) == 0;
}

// "queryloom 1.0", then "SQLite 3.40.1, unixODBC 2.3.11, libedit 3.1".
bool IsVersion(const std::string& text) {
  const std::size_t lineEnd = text.find('\n');
  if (lineEnd == std::string::npos || text.rfind("queryloom ", 0) != 0 || lineEnd == 10) return false;
  const std::string libraries = text.substr(lineEnd + 1);
  return libraries.rfind("SQLite 3.", 0) == 0 && libraries.find(", unixODBC ") != std::string::npos &&
         libraries.find(", libedit ") != std::string::npos && libraries.find('\n') == libraries.size() - 1;
}

bool Matches(const std::string& text, Shows shows) {
  switch (shows) {
    case Shows::kNothing: return text.empty();
    case Shows::kUsage: return IsUsage(text);
    case Shows::kVersion: return IsVersion(text);
  }
  return false;
}

struct OptionCase {
  std::vector<std::string> arguments;
  int exitCode;
  Shows output;
  std::string errorLine;  // standard error: this line, then the usage; empty: nothing
};

TEST(OptionsTest, AnswerAndExitCode) {
  const OptionCase cases[] = {
      {{"--help"}, 0, Shows::kUsage, ""},
      {{"--version"}, 0, Shows::kVersion, ""},
      {{"--bogus"}, 2, Shows::kNothing, "queryloom: unexpected argument \"--bogus\"\n"},
      {{"-h"}, 2, Shows::kNothing, "queryloom: unexpected argument \"-h\"\n"},
      {{""}, 2, Shows::kNothing, "queryloom: unexpected argument \"\"\n"},
      // A database file given as if it were opened: refused, not created.
      {{"shop.db"}, 2, Shows::kNothing, "queryloom: unexpected argument \"shop.db\"\n"},
      {{"--help", "extra"}, 2, Shows::kNothing, "queryloom: unexpected argument \"extra\"\n"},
      {{"--version", "--help"}, 2, Shows::kNothing, "queryloom: unexpected argument \"--help\"\n"},
      // Control bytes of an argument never reach the terminal.
      {{"\x1b[2J\x07\xc2\x9bx"}, 2, Shows::kNothing, "queryloom: unexpected argument \"\\x1b[2J\\x07\\x9bx\"\n"},
  };
  for (const OptionCase& test : cases) {
    SCOPED_TRACE(test.arguments.front());
    const testsupport::TemporaryDirectory directory;
    ProgramOptions options;
    options.arguments = test.arguments;
    options.workingDirectory = directory.Path().string();
    // Whatever is typed after the options is never read as a command.
    const auto run = RunProgram("open \"Data Source=typed.db\"\nsql \"create table t(a)\"\n", options);
    EXPECT_EQ(run.exitCode, test.exitCode);
    EXPECT_TRUE(Matches(run.output, test.output)) << run.output;
    if (test.errorLine.empty()) {
      EXPECT_EQ(run.errors, "");
    } else {
      EXPECT_EQ(run.errors.rfind(test.errorLine, 0), 0u) << run.errors;
      EXPECT_TRUE(IsUsage(run.errors.substr(std::min(test.errorLine.size(), run.errors.size())))) << run.errors;
    }
    EXPECT_TRUE(std::filesystem::is_empty(directory.Path())) << "a file was written";
  }
}

// At a colour terminal the options print their text alone: no colours, no reset at exit.
TEST(OptionsTest, AtATerminalTheTextHasNoEscapeSequences) {
  for (const std::string option : {"--help", "--version"}) {
    ProgramOptions options;
    options.arguments = {option};
    const auto run = testsupport::RunInTerminal("", options);
    EXPECT_EQ(run.exitCode, 0) << option;
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos) << option << ": " << run.output;
  }
}

// A full disk or a closed output is a failure, not a silent success.
TEST(OptionsTest, OutputThatCannotBeWrittenFails) {
  for (const std::string option : {"--help", "--version"}) {
    ProgramOptions options;
    options.program = "/bin/sh";
    options.arguments = {"-c", "exec \"$0\" " + option + " > /dev/full", QL_BINARY};
    const auto run = RunProgram("", options);
    EXPECT_EQ(run.exitCode, 1) << option;
    EXPECT_EQ(run.errors, "queryloom: cannot write to standard output: No space left on device\n") << option;
  }
}

}  // namespace

}  // namespace ql
