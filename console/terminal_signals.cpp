// Ctrl-C and the signals that end the program, as they concern the terminal.

#include "console/terminal_signals.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace console {

namespace {

// Everything the handlers touch is a lock-free atomic: they may run between any two instructions
// of the program.
std::atomic<InterruptAction> interruptAction{nullptr};
std::atomic<void*> interruptContext{nullptr};
std::atomic<bool> waitingForInput{false};
std::atomic<bool> droppedLine{false};
std::atomic<bool> keyEchoed{false};
std::atomic<bool> installed{false};
static_assert(std::atomic<InterruptAction>::is_always_lock_free);
static_assert(std::atomic<void*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterruptKeySignal(int) {
  const int savedErrno = errno;
  if (waitingForInput.load()) {
    droppedLine.store(true);
  } else {
    // tcgetattr is async-signal-safe: did the terminal show the key as "^C"?
    termios modes{};
    if (::tcgetattr(STDIN_FILENO, &modes) == 0 && (modes.c_lflag & ECHO) != 0 &&
        (modes.c_lflag & ECHOCTL) != 0) {
      keyEchoed.store(true);
    }
    if (const InterruptAction action = interruptAction.load()) action(interruptContext.load());
  }
  errno = savedErrno;
}

// Resets the colours, then lets the signal end the program as it would have: the signal is blocked
// while its handler runs, so the raised one arrives, with the usual action, once this returns.
void OnEndingSignal(int signal) {
  static constexpr char kOwnColours[] = "\x1b[0m";
  [[maybe_unused]] const ssize_t ignored = ::write(STDOUT_FILENO, kOwnColours, sizeof kOwnColours - 1);
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
  if (personTyping) Handle(SIGINT, OnInterruptKeySignal, SA_RESTART);
  if (!colourOutput) return;
  if (!personTyping) Handle(SIGINT, OnEndingSignal, 0);
  for (const int signal : {SIGTERM, SIGHUP, SIGQUIT}) Handle(signal, OnEndingSignal, 0);
}

InputWait::InputWait() noexcept {
  droppedLine.store(false);
  waitingForInput.store(true);
}

InputWait::~InputWait() { waitingForInput.store(false); }

bool TakeDroppedLine() noexcept { return droppedLine.exchange(false); }

bool TakeKeyEcho() noexcept { return keyEchoed.exchange(false); }

}  // namespace terminal_signals

}  // namespace console
