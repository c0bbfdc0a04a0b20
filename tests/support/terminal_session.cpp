#include "support/terminal_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/child_process.h"

namespace ql {

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

// How long one look at the program waits before the condition is checked again.
constexpr int kStepMilliseconds = 5;

// What `pid` does: "running", or the number of the system call it is blocked in and the call's
// first argument. Where the kernel does not say, it counts as blocked reading its input.
struct Activity {
  bool running = false;
  bool readingInput = true;
};
Activity ActivityOf(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/syscall");
  std::string number;
  if (!(file >> number)) return {};
  std::string argument;
  return {number == "running", number == std::to_string(SYS_read) && file >> argument && argument == "0x0"};
}

// How often `pid` has gone to sleep of its own accord (waiting for input, say), or -1.
long VoluntarySwitches(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/status");
  static const std::string kField = "voluntary_ctxt_switches:";
  for (std::string line; std::getline(file, line);) {
    if (line.compare(0, kField.size(), kField) == 0) return std::stol(line.substr(kField.size()));
  }
  return -1;
}

// User and system time of `pid` in clock ticks, or -1 when it cannot be read.
long ProcessorTicks(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(file, text);
  // The program's name, in parentheses, may hold blanks: fields are counted from its end.
  const std::size_t nameEnd = text.rfind(')');
  if (nameEnd == std::string::npos) return -1;
  std::istringstream fields(text.substr(nameEnd + 1));
  std::string field;
  long ticks = 0;
  // Field 3 (the state) comes first; user time is field 14, system time field 15.
  for (int number = 3; number <= 15 && fields >> field; ++number) {
    if (number >= 14) ticks += std::stol(field);
  }
  return ticks;
}

}  // namespace

TerminalSession::TerminalSession(const ProgramOptions& options)
    : options_(options), deadline_(Clock::now() + std::chrono::seconds(options.timeoutSeconds)) {
  pid_ = StartOnTerminal(options_, false, controller_);
  outputOpen_ = pid_ > 0;
  if (controller_ >= 0) ::fcntl(controller_, F_SETFL, ::fcntl(controller_, F_GETFL) | O_NONBLOCK);
}

TerminalSession::~TerminalSession() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  if (controller_ >= 0) ::close(controller_);
}

bool TerminalSession::Type(std::string_view keys) {
  return WaitUntil([this] { return WaitsForKeys(); }, "the program to wait for keys") && Press(keys);
}

bool TerminalSession::Press(std::string_view keys) {
  // A child that is gone must not take the test down with SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  sleepsBeforeKeys_ = VoluntarySwitches(pid_);
  while (!keys.empty()) {
    const ssize_t put = controller_ >= 0 ? ::write(controller_, keys.data(), keys.size()) : -1;
    if (put > 0) {
      keys.remove_prefix(static_cast<std::size_t>(put));
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    // The terminal's input is full: the program has to read some first.
    if (put < 0 && errno == EAGAIN && TimeLeft() && Pump(kStepMilliseconds)) continue;
    Fail("cannot type the keys");
    return false;
  }
  return true;
}

std::size_t TerminalSession::WaitForOutput(std::string_view text, std::size_t from) {
  std::size_t found = std::string::npos;
  const auto seen = [&] {
    found = Screen().find(text, from);
    return found != std::string::npos;
  };
  if (!WaitUntil(seen, "the output \"" + std::string(text) + "\"")) return std::string::npos;
  return found + text.size();
}

bool TerminalSession::WaitForProcessorTime(std::chrono::milliseconds amount) {
  const long start = ProcessorTicks(pid_);
  const long needed = std::max<long>(1, amount.count() * ::sysconf(_SC_CLK_TCK) / 1000);
  return WaitUntil([&] { return ProcessorTicks(pid_) - start >= needed; },
                   std::to_string(amount.count()) + " ms of the program's processor time");
}

bool TerminalSession::WaitUntil(const std::function<bool()>& condition, std::string_view what) {
  for (;;) {
    if (condition()) return true;
    if (!TimeLeft()) {
      Fail("timed out waiting for " + std::string(what));
      return false;
    }
    if (!Pump(kStepMilliseconds)) {
      if (condition()) return true;
      Fail("the program ended while the test waited for " + std::string(what));
      return false;
    }
  }
}

std::string TerminalSession::Screen() const {
  std::string screen;
  screen.reserve(run_.output.size());
  for (std::size_t i = 0; i < run_.output.size(); ++i) {
    if (run_.output[i] == '\r' && i + 1 < run_.output.size() && run_.output[i + 1] == '\n') continue;
    screen += run_.output[i];
  }
  return screen;
}

termios TerminalSession::Modes() const {
  termios modes{};
  if (controller_ >= 0) ::tcgetattr(controller_, &modes);
  return modes;
}

ProgramRun TerminalSession::Finish() {
  while (outputOpen_ && TimeLeft()) Pump(kStepMilliseconds);
  int status = 0;
  bool ended = false;
  while (pid_ > 0 && TimeLeft()) {
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      ended = true;
      break;
    }
    if (done < 0 && errno != EINTR) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kStepMilliseconds));
  }
  if (ended) {
    pid_ = -1;
    if (WIFEXITED(status)) run_.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run_.signal = WTERMSIG(status);
  } else {
    run_.timedOut = !TimeLeft();
    Fail("the program did not end");
  }
  return run_;
}

bool TerminalSession::Pump(int milliseconds) {
  if (!outputOpen_) return false;
  pollfd wanted{controller_, POLLIN, 0};
  if (::poll(&wanted, 1, milliseconds) <= 0) return true;
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(controller_, chunk, sizeof chunk);
    if (got > 0) {
      run_.output.append(chunk, static_cast<std::size_t>(got));
      if (run_.output.size() > options_.outputLimit) {
        Fail("more than " + std::to_string(options_.outputLimit) + " bytes of output");
        outputOpen_ = false;
        return false;
      }
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    // A terminal reports the program's side closed as EIO.
    outputOpen_ = false;
    return false;
  }
}

// Out of line mode alone is not enough: the editor may be about to finish a line typed before and
// switch back, and keys that arrive then are taken in line mode (Ctrl-D would become a NUL). The
// terminal takes the keys of one write in one go, so once the program has gone to sleep since the
// last keys and sleeps in a read of the terminal out of line mode, it has read them all and waits
// for more, and it can switch nothing before those are in. A program that never left line mode
// (no editor) waits for keys whenever it sleeps after the last ones.
bool TerminalSession::WaitsForKeys() {
  if (pid_ <= 0 || VoluntarySwitches(pid_) <= sleepsBeforeKeys_) return false;
  const Activity activity = ActivityOf(pid_);
  if ((Modes().c_lflag & ICANON) == 0) {
    sawEditor_ = true;
    return activity.readingInput;
  }
  return !sawEditor_ && !activity.running;
}

bool TerminalSession::TimeLeft() const { return Clock::now() < deadline_; }

void TerminalSession::Fail(std::string_view what) {
  ADD_FAILURE() << options_.program << ": " << what << "\n--- screen so far ---\n" << Screen();
}

ProgramRun RunAtEditor(std::string_view script, const ProgramOptions& options) {
  TerminalSession session(options);
  // False once the program has ended (after a quit command) or the wait failed.
  const auto waitsForKeys = [&session] {
    return session.WaitUntil([&] { return session.WaitsForKeys() || !session.outputOpen_; },
                             "the program to wait for keys or to end") &&
           session.outputOpen_;
  };
  bool going = true;
  for (std::size_t start = 0; going && start < script.size();) {
    const std::size_t end = script.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? script.size() : end + 1;
    going = waitsForKeys() && session.Press(script.substr(start, next - start));
    start = next;
  }
  if (going && waitsForKeys()) session.Press("\x04");
  ProgramRun run = session.Finish();
  run.output = session.Screen();
  return run;
}

}  // namespace testsupport

}  // namespace ql
