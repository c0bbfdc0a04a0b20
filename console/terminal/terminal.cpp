// The process's own terminal: standard input and output, written and read with plain system calls.

#include "console/terminal/terminal.h"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "console/terminal/line_editor.h"
#include "console/terminal/terminal_signals.h"

namespace ql::console {

namespace {

// Blocks until `fd` is ready for `events`; false when it cannot be waited on. Reached only when the
// descriptor was left non-blocking by whoever started the program.
bool WaitUntilReady(int fd, short events) {
  pollfd wanted{fd, events, 0};
  for (;;) {
    const int ready = ::poll(&wanted, 1, -1);
    if (ready > 0) return true;
    if (ready < 0 && errno == EINTR) continue;
    return false;
  }
}

// Writes all bytes to `fd`, waiting where it was left non-blocking; false once its reader has gone
// away (EPIPE). Other failures drop the rest.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put > 0) {
      data += put;
      size -= static_cast<std::size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno == EPIPE) return false;
    if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitUntilReady(fd, POLLOUT)) continue;
    break;
  }
  return true;
}

// True when both descriptors write to one place: the same pipe or device, or the same file at the
// same offset (one opened once and shared, as `2>&1` does).
bool SameDestination(int first, int second) {
  struct stat a {};
  struct stat b {};
  if (::fstat(first, &a) != 0 || ::fstat(second, &b) != 0) return false;
  if (a.st_dev != b.st_dev || a.st_ino != b.st_ino) return false;
  return !S_ISREG(a.st_mode) || ::lseek(first, 0, SEEK_CUR) == ::lseek(second, 0, SEEK_CUR);
}

enum class Wait { kReady, kInterrupted, kFailed };

// Waits until a line can be read from a terminal in its own line mode, or the person at it presses
// Ctrl-C (the terminal then drops the line typed so far). SIGINT stays blocked except inside ppoll,
// so a key pressed just before the wait still breaks it off.
Wait WaitForPerson(int fd) {
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  sigset_t previous;
  if (::sigprocmask(SIG_BLOCK, &interrupt, &previous) != 0) return Wait::kFailed;
  Wait result = Wait::kFailed;
  for (;;) {
    if (terminal_signals::TakeDroppedLine()) {
      result = Wait::kInterrupted;
      break;
    }
    pollfd wanted{fd, POLLIN, 0};
    const int ready = ::ppoll(&wanted, 1, nullptr, &previous);
    if (ready > 0) {
      result = Wait::kReady;
      break;
    }
    if (ready < 0 && errno == EINTR) continue;
    break;
  }
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  return result;
}

bool OutputIsColorTerminal() {
  if (::isatty(STDOUT_FILENO) == 0) return false;
  const char* term = std::getenv("TERM");
  if (term != nullptr && std::strcmp(term, "dumb") == 0) return false;
  const char* noColor = std::getenv("NO_COLOR");
  return noColor == nullptr || noColor[0] == '\0';
}

class StandardStreams final : public Terminal {
 public:
  StandardStreams()
      : console_(OutputIsColorTerminal()),
        terminal_(::isatty(STDOUT_FILENO) != 0),
        personTyping_(::isatty(STDIN_FILENO) != 0 && ::isatty(STDOUT_FILENO) != 0),
        notesAtTerminal_(::isatty(STDERR_FILENO) != 0),
        notesJoinOutput_(SameDestination(STDOUT_FILENO, STDERR_FILENO)) {
    // A reader that goes away (a pager quit early, `| head`) must not kill the program mid-command:
    // the write fails with EPIPE instead, and the program ends before reading another command.
    std::signal(SIGPIPE, SIG_IGN);
    terminal_signals::Install(personTyping_, console_);
    if (personTyping_) editor_ = TerminalLineEditor();
  }

  bool IsConsole() const override { return console_; }
  bool IsTerminal() const override { return terminal_; }

  LineEditor* Editor() override { return editor_.get(); }
  bool PersonTyping() const override { return personTyping_; }

  void HoldsPendingOutput(const PendingOutput* pending) override { terminal_signals::SetPendingOutput(pending); }

  long Read(char* buffer, std::size_t size) override {
    if (!personTyping_) return ReadBytes(buffer, size);
    const terminal_signals::InputWait waiting;
    // Where the wait itself fails, the read still waits, only without Ctrl-C.
    const bool interrupted = WaitForPerson(STDIN_FILENO) == Wait::kInterrupted;
    const long got = interrupted ? 0 : ReadBytes(buffer, size);
    // A line that came with Ctrl-C right behind it is dropped all the same.
    if (interrupted || terminal_signals::TakeDroppedLine()) {
      // The terminal has echoed the key; the next prompt goes on a line of its own.
      Write("\n", 1);
      return kInterrupted;
    }
    return got;
  }

  bool OutputClosed() const override { return outputClosed_; }

  void Write(const char* data, std::size_t size) override {
    if (outputClosed_) return;
    if (size > 0 && terminal_signals::TakeKeyEcho()) Write("\n", 1);
    if (!WriteAll(STDOUT_FILENO, data, size)) outputClosed_ = true;
  }

  // A reader of standard error that has gone away ends nothing: the notes are only lost.
  void WriteNote(const char* data, std::size_t size) override { WriteAll(STDERR_FILENO, data, size); }

  bool NotesAtTerminal() const override { return notesAtTerminal_; }
  bool NotesJoinOutput() const override { return notesJoinOutput_; }

  // Asked each time, as the window may have been resized since.
  std::optional<WindowSize> Size() const override {
    winsize size{};
    if (!terminal_ || ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) {
      return std::nullopt;
    }
    return WindowSize{size.ws_col, size.ws_row};
  }

 private:
  static long ReadBytes(char* buffer, std::size_t size) {
    for (;;) {
      const ssize_t got = ::read(STDIN_FILENO, buffer, size);
      if (got >= 0) return static_cast<long>(got);
      if (errno == EINTR) continue;
      if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitUntilReady(STDIN_FILENO, POLLIN)) continue;
      return -1;
    }
  }

  bool console_;
  bool terminal_;
  bool personTyping_;
  bool notesAtTerminal_;
  bool notesJoinOutput_;
  bool outputClosed_ = false;
  std::unique_ptr<LineEditor> editor_;
};

}  // namespace

// The descriptors are left open when the terminal goes: the kernel closes them at exit, and a
// descriptor 1 closed early could be reused by a file the program opens later, which a stray write
// to standard output would then corrupt.
std::unique_ptr<Terminal> ProcessTerminal() { return std::make_unique<StandardStreams>(); }

}  // namespace ql::console
