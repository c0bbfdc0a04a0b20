// The command-line options: --help and --version answer and exit, anything else is a usage error;
// none of them starts a session, touches the terminal or writes a file.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/run_in_terminal.h"
#include "support/run_program.h"
#include "support/temporary_directory.h"

namespace {

using testsupport::ProgramOptions;
using testsupport::RunProgram;

const std::string kVersion = "queryloom [0-9]+\\.[0-9]+\nSQLite 3\\.[0-9.]+, unixODBC [0-9.]+, libedit [0-9.]+\n";

struct OptionCase {
  std::vector<std::string> arguments;
  int exitCode;
  std::string outputPattern;  // the whole of standard output
  std::string errorsPattern;  // the whole of standard error
};

const std::string kUsage = "Usage: queryloom \\[--help \\| --version\\]\n(.|\n)*man queryloom\n";

TEST(OptionsTest, AnswerAndExitCode) {
  const OptionCase cases[] = {
      {{"--help"}, 0, kUsage, ""},
      {{"--version"}, 0, kVersion, ""},
      {{"--bogus"}, 2, "", "queryloom: unexpected argument \"--bogus\"\n" + kUsage},
      {{"-h"}, 2, "", "queryloom: unexpected argument \"-h\"\n" + kUsage},
      {{""}, 2, "", "queryloom: unexpected argument \"\"\n" + kUsage},
      // A database file given as if it were opened: refused, not created.
      {{"shop.db"}, 2, "", "queryloom: unexpected argument \"shop.db\"\n" + kUsage},
      {{"--help", "extra"}, 2, "", "queryloom: unexpected argument \"extra\"\n" + kUsage},
      {{"--version", "--help"}, 2, "", "queryloom: unexpected argument \"--help\"\n" + kUsage},
      // Control bytes of an argument never reach the terminal.
      {{"\x1b[2J\x07x"}, 2, "", "queryloom: unexpected argument \"\\?\\[2J\\?x\"\n" + kUsage},
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
    EXPECT_TRUE(std::regex_match(run.output, std::regex(test.outputPattern))) << run.output;
    EXPECT_TRUE(std::regex_match(run.errors, std::regex(test.errorsPattern))) << run.errors;
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
