// The command-line options: --help and --version answer and exit, anything else is a usage error;
// none of them starts a session, touches the terminal or writes a file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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
  return text.rfind("Usage: queryloom [OPTION]... [CONNECTION]\n", 0) == 0 && text.size() > last.size() &&
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
    case Shows::kNothing:
      return text.empty();
    case Shows::kUsage:
      return IsUsage(text);
    case Shows::kVersion:
      return IsVersion(text);
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

// A session shaped by the command line: the connection, -c and -f in their order, --bail, --quiet,
// --format. Standard input is read only where -f - or no -c and -f ask for it.
struct CommandLineCase {
  std::vector<std::string> arguments;
  std::string input;    // standard input
  std::string jobFile;  // written as job.txt in the working folder when not empty
  std::string output;   // standard output, whole
  std::string errors;   // standard error: whole, or its start when it ends in the usage
  int exitCode;
};

TEST(OptionsTest, CommandLinesRunTheirCommandsAndEnd) {
  const std::string memory = "Data Source=:memory:";
  const std::string closing = " Command line QUERYLOOM, by Vantero.\n (C) 2003-2026 Quillory. All rights reserved.\n";
  const std::string noSuchTable =
      "--------------- Error @442 ---------------\n> Code = 80040e37\n> Code meaning = IDispatch error #3127\n"
      "> Source = SQLite\n> Description = no such table: nosuch\n--------------- Error @442 ---------------\n";
  const CommandLineCase cases[] = {
      // The connection, then each -c, then the end: the typed lines are never read.
      {{memory, "-c", "sql select 1 as a", "-c", "Rows"},
       "sql select 2\n",
       "",
       "---a\n-\n1\n(1 row)\n-" + closing,
       "",
       0},
      // Quiet: results alone, messages on standard error.
      {{"-q", memory, "-c", "Format csv", "-c", "sql select 1 as a, 'x,y' as b", "-c", "Rows all"},
       "",
       "",
       "a,b\n1,\"x,y\"\n",
       "Format is csv.\n",
       0},
      {{"-q", "--format=json", "-c", "record", "-c", "open " + memory, "-c", "sql select null as n", "-c", "Rows 1"},
       "",
       "",
       "{\"n\":null}\n",
       "Open table first!\n",
       0},
      // -c and -f in the order given; -f - reads standard input at its place.
      {{"-q", "--format", "tsv", memory, "-f", "job.txt", "-c", "Rows all"},
       "",
       "sql select 'a\tb' as t\n",
       "t\na\\tb\n",
       "",
       0},
      {{"-q", memory, "-c", "Format json", "-f", "-", "-c", "Rows all"},
       "sql select 7 as n\n",
       "",
       "{\"n\":7}\n",
       "Format is json.\n",
       0},
      // Without --bail every command runs and the status stays 0; with it the first error ends the run.
      {{"-q", memory, "-c", "sql select * from nosuch", "-c", "sql select 1 as a", "-c", "Rows all"},
       "",
       "",
       "a\n-\n1\n(1 row)\n",
       noSuchTable,
       0},
      {{"-q", "-b", memory, "-c", "sql select * from nosuch", "-c", "sql select 1 as a", "-c", "Rows all"},
       "",
       "",
       "",
       noSuchTable,
       1},
      {{"--bail"}, "ver\nbogus word\nver\n", "", "-MDAC Version: 1.0 (" + std::string(), "", 1},
      {{"-b", "-f", "job.txt"},
       "",
       "sql select 1\nver\n",
       "---------------- Error @442 ---------------\n> Code = 80004003\n> Code meaning = There is no object to act "
       "on.\n"
       "> Source = (null)\n> Description = (null)\n--------------- Error @442 ---------------\n",
       "",
       1},
      // A streamed result is read once: record then says so through the usual report.
      {{"-q", memory, "-c", "sql select 1 as a", "-c", "Rows all", "-c", "record", "-c", "count"},
       "",
       "",
       "a\n-\n1\n(1 row)\n1 record(s) in current recordset.\n",
       "--------------- Error @145 ---------------\n> Code = 800a0cb3\n> Code meaning = Unknown error 0x800A0CB3\n"
       "> Source = Recordset\n> Description = The rows of this result were streamed and are not kept; run the "
       "statement again to read them from the first.\n--------------- Error @145 ---------------\n",
       0},
      // Refused before anything runs.
      {{"-c"}, "", "", "", "queryloom: option \"-c\" needs an argument\n", 2},
      {{"--format", "xml", memory}, "", "", "", "queryloom: unknown format \"xml\": table, csv, tsv or json\n", 2},
      {{memory, "Data Source=other.db"}, "", "", "", "queryloom: unexpected argument \"Data Source=other.db\"\n", 2},
      {{"-f", "nosuch.txt"}, "", "", "", "queryloom: cannot read \"nosuch.txt\": No such file or directory\n", 1},
  };
  for (const CommandLineCase& test : cases) {
    std::string trace;
    for (const std::string& argument : test.arguments) trace += argument + " ";
    SCOPED_TRACE(trace);
    const testsupport::TemporaryDirectory directory;
    if (!test.jobFile.empty()) std::ofstream(directory.Path() / "job.txt") << test.jobFile;
    ProgramOptions options;
    options.arguments = test.arguments;
    options.workingDirectory = directory.Path().string();
    const auto run = RunProgram(test.input, options);
    EXPECT_EQ(run.exitCode, test.exitCode);
    if (test.exitCode == 2) {
      EXPECT_EQ(run.output, "");
      EXPECT_EQ(run.errors.rfind(test.errors, 0), 0u) << run.errors;
      EXPECT_TRUE(IsUsage(run.errors.substr(std::min(test.errors.size(), run.errors.size())))) << run.errors;
    } else if (test.output.rfind("-MDAC", 0) == 0) {
      // The version line names the libraries found here: the lines around it are what count.
      EXPECT_EQ(run.output.rfind(test.output, 0), 0u) << run.output;
      EXPECT_NE(run.output.find(")\n-Unknown command> BOGUS word Press 'H' for help\n"), std::string::npos)
          << run.output;
      EXPECT_EQ(run.output.find(closing), std::string::npos) << run.output;
    } else {
      EXPECT_EQ(run.output, test.output);
      EXPECT_EQ(run.errors, test.errors);
    }
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
