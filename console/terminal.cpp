// The process's own terminal: standard input and output, written and read with plain system calls.

#include "console/terminal.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace console {

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

bool OutputIsColorTerminal() {
  if (::isatty(STDOUT_FILENO) == 0) return false;
  const char* term = std::getenv("TERM");
  if (term != nullptr && std::strcmp(term, "dumb") == 0) return false;
  const char* noColor = std::getenv("NO_COLOR");
  return noColor == nullptr || noColor[0] == '\0';
}

class StandardStreams final : public Terminal {
 public:
  StandardStreams() : console_(OutputIsColorTerminal()) {
    // A reader that goes away (a pager quit early, `| head`) must not kill the program: the write
    // fails with EPIPE instead, and the console drops it.
    std::signal(SIGPIPE, SIG_IGN);
  }

  bool IsConsole() const override { return console_; }

  long Read(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t got = ::read(STDIN_FILENO, buffer, size);
      if (got >= 0) return static_cast<long>(got);
      if (errno == EINTR) continue;
      if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitUntilReady(STDIN_FILENO, POLLIN)) continue;
      return -1;
    }
  }

  void Write(const char* data, std::size_t size) override {
    while (size > 0) {
      const ssize_t put = ::write(STDOUT_FILENO, data, size);
      if (put > 0) {
        data += put;
        size -= static_cast<std::size_t>(put);
        continue;
      }
      if (put < 0 && errno == EINTR) continue;
      if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
          WaitUntilReady(STDOUT_FILENO, POLLOUT)) {
        continue;
      }
      return;
    }
  }

 private:
  bool console_;
};

}  // namespace

// The descriptors are left open when the terminal goes: the kernel closes them at exit, and a
// descriptor 1 closed early could be reused by a file the program opens later, which a stray write
// to standard output would then corrupt.
std::unique_ptr<Terminal> ProcessTerminal() { return std::make_unique<StandardStreams>(); }

}  // namespace console
