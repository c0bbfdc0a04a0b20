#include "support/run_in_terminal.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>

#include "support/child_process.h"

namespace ql {

namespace testsupport {

namespace {

constexpr char kEndOfInput = '\x04';  // VEOF, Control-D

// At the start of a line the end-of-input key ends the input; after a partial line the first one
// only hands that line over.
std::string TypedInput(std::string_view script) {
  std::string typed(script);
  if (!typed.empty() && typed.back() != '\n') typed += kEndOfInput;
  typed += kEndOfInput;
  return typed;
}

ProgramOptions WithTerminalDefaults(const ProgramOptions& options) {
  ProgramOptions effective = options;
  effective.environment.emplace("TERM", "xterm-256color");
  effective.environment.emplace("NO_COLOR", std::nullopt);
  return effective;
}

}  // namespace

pid_t StartOnTerminal(const ProgramOptions& options, bool bareModes, int& controller) {
  const ProgramOptions effective = WithTerminalDefaults(options);
  winsize size{};
  size.ws_row = effective.terminalRows;
  size.ws_col = effective.terminalColumns;
  controller = -1;
  int terminal = -1;
  if (::openpty(&controller, &terminal, nullptr, nullptr, &size) != 0) {
    ADD_FAILURE() << "cannot open a pseudo-terminal: " << std::strerror(errno);
    return -1;
  }
  if (bareModes) {
    termios modes{};
    ::tcgetattr(terminal, &modes);
    modes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL);
    modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    ::tcsetattr(terminal, TCSANOW, &modes);
  }
  ::fcntl(controller, F_SETFD, FD_CLOEXEC);

  std::vector<std::string> arguments{effective.program};
  arguments.insert(arguments.end(), effective.arguments.begin(), effective.arguments.end());
  std::vector<std::string> environment = ChildEnvironment(effective);
  std::vector<char*> argv = ExecArray(arguments);
  std::vector<char*> envp = ExecArray(environment);
  const char* const directory = effective.workingDirectory.empty() ? nullptr : effective.workingDirectory.c_str();

  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    ::close(controller);
    ::login_tty(terminal);
    // As a terminal window starts its shell: every signal with its usual action and none blocked,
    // whatever the test runner inherited (a background job ignores SIGINT, for one).
    for (int signal = 1; signal < NSIG; ++signal) ::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (directory == nullptr || ::chdir(directory) == 0) ::execve(argv[0], argv.data(), envp.data());
    static constexpr char kCannotRun[] = "cannot run the program\n";
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kCannotRun, sizeof kCannotRun - 1);
    ::_exit(127);
  }
  ::close(terminal);
  if (pid < 0) {
    ::close(controller);
    controller = -1;
    ADD_FAILURE() << "cannot fork: " << std::strerror(errno);
  }
  return pid;
}

ProgramRun RunInTerminal(std::string_view script, const ProgramOptions& options) {
  int controller = -1;
  const pid_t pid = StartOnTerminal(options, true, controller);
  if (pid < 0) return {};
  const std::string typed = TypedInput(script);
  return Supervise(pid, typed, {controller, false, controller, -1}, WithTerminalDefaults(options));
}

}  // namespace testsupport

}  // namespace ql
