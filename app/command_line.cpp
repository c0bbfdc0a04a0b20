#include "app/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "access/data_access.h"
#include "console/terminal/line_editor.h"
#include "console/terminal/shown_text.h"

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
  return "Usage: queryloom [OPTION]... [CONNECTION]\n"
         "\n"
         "An interactive SQL client for the text console. SQLite is built in, PostgreSQL is\n"
         "reached through libpq, MariaDB and MySQL through MariaDB Connector/C, every other\n"
         "database through unixODBC and its driver.\n"
         "\n"
         "Without -c or -f, queryloom reads commands at its \"-\" prompt, or one per line\n"
         "from standard input. Type \"h\" for the list of commands, \"q\" to end.\n"
         "For example:\n"
         "  -open \"Data Source=shop.db\"\n"
         "  -sql \"select * from orders\"\n"
         "  -record\n"
         "\n"
         "CONNECTION, a connection string (\"Data Source=shop.db\") or a URI (postgresql://,\n"
         "mariadb://, mysql://), is opened first, as the open command opens it.\n"
         "\n"
         "Options:\n"
         "  -c, --command COMMAND  run COMMAND (repeatable); then end without reading input\n"
         "  -f, --file FILE        run the commands of FILE (- for standard input); then end\n"
         "  -b, --bail             after the first command that reports an error, end with\n"
         "                         exit status 1\n"
         "  -q, --quiet            no prompts and no closing lines; error reports and other\n"
         "                         messages to standard error, results alone on standard output\n"
         "  --format FORMAT        the form Rows prints in: table (the default), csv, tsv, json\n"
         "  --help                 print this text and exit\n"
         "  --version              print the version of queryloom and of its libraries and exit\n"
         "\n"
         "Example: queryloom -q --format csv \"Data Source=shop.db\" -c 'sql select * from orders' -c 'Rows all'\n"
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

namespace {

int UsageError(const std::string& reason) {
  std::fprintf(stderr, "queryloom: %s\n%s", reason.c_str(), UsageText().c_str());
  return kUsageError;
}

std::string Quoted(std::string_view argument) { return "\"" + Printable(argument) + "\""; }

// What may stand as the connection: a string of key=value pairs or a URI (postgresql://,
// mariadb://, ...: `open` tells which it knows). Anything else (a file name given as if it were
// opened, an empty word) is no connection and is refused before anything runs.
bool IsConnection(std::string_view argument) {
  return argument.find('=') != std::string_view::npos || argument.find("://") != std::string_view::npos;
}

}  // namespace

std::variant<int, SessionOptions> HandleArguments(int argc, const char* const* argv) {
  SessionOptions session;
  if (argc <= 1) return session;
  const std::string_view first = argv[1];
  if (argc == 2 && first == "--help") return WriteResult(UsageText());
  if (argc == 2 && first == "--version") return WriteResult(VersionText());
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    // After --help or --version, the first of the arguments that follow is the one too many.
    if (!optionsEnded && (argument == "--help" || argument == "--version")) {
      return UsageError("unexpected argument " + Quoted(i + 1 < argc ? argv[i + 1] : argv[i - 1]));
    }
    if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
      if (argument == "--") {
        optionsEnded = true;
        continue;
      }
      if (argument == "-b" || argument == "--bail") {
        session.bail = true;
        continue;
      }
      if (argument == "-q" || argument == "--quiet") {
        session.quiet = true;
        continue;
      }
      // The options that take a value: as the next argument, or after '=' in the long form.
      std::string_view name = argument;
      std::optional<std::string_view> value;
      if (argument.rfind("--", 0) == 0 && argument.find('=') != std::string_view::npos) {
        name = argument.substr(0, argument.find('='));
        value = argument.substr(argument.find('=') + 1);
      }
      const bool command = name == "-c" || name == "--command";
      const bool file = name == "-f" || name == "--file";
      const bool format = name == "--format";
      if (!command && !file && !format) return UsageError("unexpected argument " + Quoted(argument));
      if (!value) {
        if (i + 1 >= argc) return UsageError("option " + Quoted(name) + " needs an argument");
        value = argv[++i];
      }
      if (format) {
        const std::optional<db::RowFormat> named = db::RowFormatNamed(*value);
        if (!named) return UsageError("unknown format " + Quoted(*value) + ": table, csv, tsv or json");
        session.format = *named;
      } else {
        session.steps.push_back({command ? ScriptStep::Kind::kCommand : ScriptStep::Kind::kFile, std::string(*value)});
      }
      continue;
    }
    if (session.connection || !IsConnection(argument)) return UsageError("unexpected argument " + Quoted(argument));
    session.connection = std::string(argument);
  }
  return session;
}

}  // namespace ql::app
