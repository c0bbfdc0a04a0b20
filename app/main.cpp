// QUERYLOOM: an interactive SQL client on the process's terminal.

#include <cstdio>
#include <string>
#include <variant>

#include "app/command_line.h"
#include "app/commands.h"
#include "app/console_shell_io.h"
#include "app/line_editing.h"
#include "app/notices.h"
#include "console/terminal/script_input.h"
#include "console/terminal/shown_text.h"
#include "console/terminal/terminal_signals.h"
#include "db/database.h"
#include "shell/command_shell.h"

namespace ql::app {
namespace {

constexpr int kStoppedAfterError = 1;
// --bail, and the connection was lost: the script cannot know what of its work reached the server.
constexpr int kConnectionLost = 2;
constexpr int kScriptUnreadable = 1;

// The lines the options ask for, or nothing when the session reads standard input alone. A file
// that cannot be read ends the program before anything runs.
std::variant<int, bool> BuildScript(const SessionOptions& options, console::ScriptInput& script) {
  if (!options.connection && options.steps.empty()) return false;
  // The same line `open` would be typed as, so that the same rules and reports apply.
  if (options.connection) script.AddLine("open " + *options.connection);
  for (const ScriptStep& step : options.steps) {
    if (step.kind == ScriptStep::Kind::kCommand) {
      script.AddLine(step.text);
    } else if (step.text == "-") {
      script.AddConsoleInput();
    } else if (const auto failure = script.AddFile(step.text)) {
      std::string shown;
      console::AppendShown(step.text, true, shown);
      std::fprintf(stderr, "queryloom: cannot read \"%s\": %s\n", shown.c_str(), failure->c_str());
      return kScriptUnreadable;
    }
  }
  if (options.steps.empty()) script.AddConsoleInput();
  return true;
}

int RunSession(const SessionOptions& options) {
  static console::ScriptInput theScript;
  const std::variant<int, bool> scripted = BuildScript(options, theScript);
  if (const int* exitCode = std::get_if<int>(&scripted)) return *exitCode;

  // Built on first use, so that --help and --version never touch the terminal, and in this order
  // so that the database is built before the console and outlives it: at exit the shell and its
  // console go first, and the database then closes quietly.
  static db::Database theDatabase;
  static ConsoleShellIo theIo;
  static shell::CommandShell theShell(theIo, {.reportUnknown = true, .prompting = !options.quiet});

  static CommandTarget theTarget{theShell, theIo.Console(), theDatabase};

  theDatabase.UseConsole(theIo.Console());
  theDatabase.SetRowFormat(options.format);
  RegisterCommands(theTarget);
  SetUpLineEditing(theShell, theIo.Console(), theDatabase);
  theIo.SetQuiet(options.quiet);
  theIo.StopAfterError(options.bail);
  // A script that stops at its first error does not go on over a connection opened anew: a lost
  // connection ends it, with a status of its own.
  static bool connectionLost = false;
  if (options.bail) {
    theDatabase.OnLostConnection(
        [](void* lost) {
          *static_cast<bool*>(lost) = true;
          return false;
        },
        &connectionLost);
  }
  if (std::get<bool>(scripted)) theIo.UseScript(theScript);
  // Ctrl-C at the terminal while a command runs stops the database's work under way.
  console::OnInterruptKey([](void* database) noexcept { static_cast<db::Database*>(database)->Interrupt(); },
                          &theDatabase);
  // Returns after a quit command, at the end of input, and after an error when told to stop then.
  theShell.Run();
  if (connectionLost) return kConnectionLost;
  if (theIo.StoppedAfterError()) return kStoppedAfterError;
  if (!options.quiet) PrintClosingLines(theIo.Console());
  return 0;
}

}  // namespace
}  // namespace ql::app

int main(int argc, char** argv) {
  const auto handled = ql::app::HandleArguments(argc, argv);
  if (const int* exitCode = std::get_if<int>(&handled)) return *exitCode;
  return ql::app::RunSession(std::get<ql::app::SessionOptions>(handled));
}
