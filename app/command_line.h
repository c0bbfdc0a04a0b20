#pragma once
// The program's command-line options: --help and --version. The session itself takes none; the
// prompt's command language is all there is to it.

#include <optional>
#include <string>

namespace ql::app {

// The usage text --help prints, and a usage error prints to standard error.
std::string UsageText();

// The program's version on the first line, its libraries' versions on the second.
std::string VersionText();

// Handles main's arguments. Without any it returns nothing, and the session starts. Otherwise it
// prints what was asked for and returns the exit code: 0 for --help and --version, 2 for anything
// else (the usage goes to standard error), 1 when standard output cannot be written.
std::optional<int> HandleArguments(int argc, const char* const* argv);

}  // namespace ql::app
