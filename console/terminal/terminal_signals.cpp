// Ctrl-C and the signals that end the program, as they concern the terminal.

#include "console/terminal/terminal_signals.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace ql::console {

namespace {

// Everything the handlers touch is a lock-free atomic: they may run between any two instructions
// of the program.
std::atomic<InterruptAction> interruptAction{nullptr};
std::atomic<void*> interruptContext{nullptr};
std::atomic<bool> waitingForInput{false};
std::atomic<bool> droppedLine{false};
std::atomic<bool> keyEchoed{false};
std::atomic<bool> installed{false};
std::atomic<bool> colourTerminal{false};
std::atomic<const PendingOutput*> pendingOutput{nullptr};
static_assert(std::atomic<InterruptAction>::is_always_lock_free);
static_assert(std::atomic<void*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<const PendingOutput*>::is_always_lock_free);

void OnInterruptKeySignal(int) {
  const int savedErrno = errno;
  if (waitingForInput.load()) {
    droppedLine.store(true);
  } else {
    // tcgetattr is async-signal-safe: did the terminal show the key as "^C"?
    termios modes{};
    if (::tcgetattr(STDIN_FILENO, &modes) == 0 && (modes.c_lflag & ECHO) != 0 && (modes.c_lflag & ECHOCTL) != 0) {
      keyEchoed.store(true);
    }
    if (const InterruptAction action = interruptAction.load()) action(interruptContext.load());
  }
  errno = savedErrno;
}

// Writes all of `size` bytes, or as many as the descriptor takes; async-signal-safe.
void WriteOut(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(STDOUT_FILENO, data, size);
    if (put > 0) {
      data += put;
      size -= static_cast<std::size_t>(put);
    } else if (put < 0 && errno == EINTR) {
      continue;
    } else {
      return;
    }
  }
}

// Writes out the held output and resets the colours, then lets the signal end the program as it
// would have. The handler was installed to reset itself and not to block its signal, so a second
// one ends the program at once should the write hang (a reader that stopped reading); the raised
// one ends it as usual once this returns.
void OnEndingSignal(int signal) {
  if (const PendingOutput* pending = pendingOutput.load()) {
    if (!pending->writing.load(std::memory_order_acquire)) {
      WriteOut(pending->bytes, pending->used.load(std::memory_order_acquire));
    }
  }
  if (colourTerminal.load()) {
    static constexpr char kOwnColours[] = "\x1b[0m";
    WriteOut(kOwnColours, sizeof kOwnColours - 1);
  }
  struct sigaction usual {};
  usual.sa_handler = SIG_DFL;
  sigemptyset(&usual.sa_mask);
  ::sigaction(signal, &usual, nullptr);
  ::raise(signal);
}

// A signal that the program was started with ignored (a background job, nohup) stays ignored.
void Handle(int signal, void (*handler)(int), int flags) {
  struct sigaction current {};
  if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) return;
  struct sigaction wanted {};
  wanted.sa_handler = handler;
  sigemptyset(&wanted.sa_mask);
  wanted.sa_flags = flags;
  ::sigaction(signal, &wanted, nullptr);
}

}  // namespace

void OnInterruptKey(InterruptAction action, void* context) noexcept {
  // The action goes last when set and first when cleared, so the handler never pairs an action
  // with a context it was not given with.
  interruptAction.store(nullptr);
  interruptContext.store(context);
  interruptAction.store(action);
}

namespace terminal_signals {

void Install(bool personTyping, bool colourOutput) {
  if (installed.exchange(true)) return;
  // Restarted calls: a driver in the middle of talking to its server carries on, and Interrupt
  // tells it to stop. The wait for a line is broken off by other means (ppoll, the editor).
  colourTerminal.store(colourOutput);
  if (personTyping) Handle(SIGINT, OnInterruptKeySignal, SA_RESTART);
  if (!personTyping) Handle(SIGINT, OnEndingSignal, SA_RESETHAND | SA_NODEFER);
  for (const int signal : {SIGTERM, SIGHUP, SIGQUIT}) Handle(signal, OnEndingSignal, SA_RESETHAND | SA_NODEFER);
}

void SetPendingOutput(const PendingOutput* pending) noexcept { pendingOutput.store(pending); }

InputWait::InputWait() noexcept {
  droppedLine.store(false);
  waitingForInput.store(true);
}

InputWait::~InputWait() { waitingForInput.store(false); }

bool TakeDroppedLine() noexcept { return droppedLine.exchange(false); }

bool LineDropPending() noexcept { return droppedLine.load(); }

bool TakeKeyEcho() noexcept { return keyEchoed.exchange(false); }

}  // namespace terminal_signals

}  // namespace ql::console
