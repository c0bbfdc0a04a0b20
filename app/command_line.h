#pragma once
// The program's command line: queryloom [OPTION]... [CONNECTION]. --help and --version answer and
// end; the other options shape the session that follows.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "db/row_format.h"

namespace ql::app {

// The usage text --help prints, and a usage error prints to standard error.
std::string UsageText();

// The program's version on the first line, its libraries' versions on the second.
std::string VersionText();

// A -c command or a -f file, in the order given.
struct ScriptStep {
  enum class Kind { kCommand, kFile } kind;
  std::string text;  // the command, or the file's path ("-" for standard input)
};

// What the session is asked to do.
struct SessionOptions {
  std::optional<std::string> connection;  // opened first, as `open` would
  std::vector<ScriptStep> steps;          // run instead of standard input when there are any
  bool bail = false;                      // end with status 1 after the first line that reported an error
  bool quiet = false;                     // no prompts or closing lines; messages to standard error
  db::RowFormat format = db::RowFormat::kTable;
};

// Handles main's arguments: the options of the session to run, or the exit code to end with, having
// printed what was asked for: 0 for --help and --version, 2 for a usage error (the reason and the
// usage go to standard error), 1 when standard output cannot be written.
std::variant<int, SessionOptions> HandleArguments(int argc, const char* const* argv);

}  // namespace ql::app
