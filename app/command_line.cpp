#include "app/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "access/data_access.h"
#include "console/line_editor.h"
#include "console/shown_text.h"

namespace ql::app {
namespace {

constexpr int kUsageError = 2;
constexpr int kWriteError = 1;

// An argument echoed in the error message comes from whoever started the program: it is shown
// escaped, as the program shows every text not its own, so that it cannot drive the terminal.
std::string Printable(std::string_view argument) {
  std::string text;
  console::AppendShown(argument, true, text);
  return text;
}

// Writes and flushes `text`; false when it did not all reach the stream (a full disk, a closed pipe).
bool Write(std::FILE* stream, const std::string& text) {
  const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  return std::fflush(stream) == 0 && written;
}

int WriteResult(const std::string& text) {
  if (Write(stdout, text)) return 0;
  const int error = errno;
  std::fprintf(stderr, "queryloom: cannot write to standard output: %s\n", std::strerror(error));
  return kWriteError;
}

}  // namespace

std::string UsageText() {
  return "Usage: queryloom [--help | --version]\n"
         "\n"
         "An interactive SQL client for the text console. SQLite is built in; every other\n"
         "database is reached through unixODBC and its driver.\n"
         "\n"
         "Started without arguments, queryloom reads commands at its \"-\" prompt, or one\n"
         "per line from standard input. Type \"h\" for the list of commands, \"q\" to end.\n"
         "For example:\n"
         "  -open \"Data Source=shop.db\"\n"
         "  -sql \"select * from orders\"\n"
         "  -record\n"
         "\n"
         "Options:\n"
         "  --help     print this text and exit\n"
         "  --version  print the version of queryloom and of its libraries and exit\n"
         "\n"
         "Environment:\n"
         "  QUERYLOOM_HISTORY  a file that keeps the lines typed at the terminal from one\n"
         "                     session to the next (mode 0600; lines that begin with \"open\"\n"
         "                     or hold a password are never written). Unset, the history\n"
         "                     lives in memory only and nothing is written anywhere.\n"
         "\n"
         "The manual: man queryloom\n";
}

std::string VersionText() {
  return std::string("queryloom ") + QL_VERSION + "\n" + access::LibraryVersions() + ", " +
         console::LineEditorVersion() + "\n";
}

std::optional<int> HandleArguments(int argc, const char* const* argv) {
  if (argc <= 1) return std::nullopt;
  const std::string_view argument = argv[1];
  if (argc == 2 && argument == "--help") return WriteResult(UsageText());
  if (argc == 2 && argument == "--version") return WriteResult(VersionText());
  // After a known option, the first of the arguments that follow it is the one too many.
  const bool known = argument == "--help" || argument == "--version";
  const std::string_view unexpected = known ? argv[2] : argument;
  std::fprintf(stderr, "queryloom: unexpected argument \"%s\"\n%s", Printable(unexpected).c_str(),
               UsageText().c_str());
  return kUsageError;
}

}  // namespace ql::app
