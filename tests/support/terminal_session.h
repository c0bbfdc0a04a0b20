#pragma once
// A program on a pseudo-terminal, driven the way a person types: keys go in once the program's line
// editor waits for them, and a test waits for what the screen shows before it goes on. The terminal
// starts in the usual modes of a terminal window (echo, "\n" shown as "\r\n"). Every wait is bounded
// by the options' timeout; when it runs out, or the program ends before the wait is over, the
// current test fails and the wait returns false.

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "support/program_run.h"

namespace ql::testsupport {

class TerminalSession {
 public:
  explicit TerminalSession(const ProgramOptions& options = {});
  ~TerminalSession();  // kills the program when it still runs
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  // Waits until the program waits for keys, then types `keys`: in its line editor (the terminal out
  // of its line mode, the program blocked reading it) once it has shown an editor, otherwise
  // asleep after the keys typed before.
  bool Type(std::string_view keys);
  // Types `keys` at once, whatever the program is doing: Ctrl-C while a statement runs. A key that
  // only sends a signal leaves no trace Type can wait for: wait for the program's answer on the
  // screen before typing on.
  bool Press(std::string_view keys);

  // Waits until the output from offset `from` on holds `text`; returns the offset just past it,
  // or std::string::npos.
  std::size_t WaitForOutput(std::string_view text, std::size_t from = 0);
  // Waits until the program has used `amount` of processor time more than when the wait began.
  bool WaitForProcessorTime(std::chrono::milliseconds amount);
  // Waits until `condition` holds, taking in output meanwhile; `what` names it in a failure.
  bool WaitUntil(const std::function<bool()>& condition, std::string_view what);

  // Everything the program wrote so far, "\r\n" as "\n"; raw bytes in Finish().output.
  std::string Screen() const;
  // The terminal's modes as the program left them.
  termios Modes() const;

  // Waits for the program to end and gives what it wrote, its exit code or signal.
  ProgramRun Finish();

 private:
  friend ProgramRun RunAtEditor(std::string_view script, const ProgramOptions& options);

  // Takes in output for at most `milliseconds`; false once the program's side is closed.
  bool Pump(int milliseconds);
  bool WaitsForKeys();
  bool TimeLeft() const;
  void Fail(std::string_view what);

  ProgramOptions options_;
  std::chrono::steady_clock::time_point deadline_;
  pid_t pid_ = -1;
  int controller_ = -1;
  bool outputOpen_ = false;
  long sleepsBeforeKeys_ = -1;  // how often the program had gone to sleep before the last keys
  bool sawEditor_ = false;      // the terminal has been out of line mode
  ProgramRun run_;
};

// Types each line of `script` once the editor waits for it, then Ctrl-D; lines after a quit command
// are not typed. The run as Finish gives it, its output as Screen shows it.
ProgramRun RunAtEditor(std::string_view script, const ProgramOptions& options = {});

}  // namespace ql::testsupport
