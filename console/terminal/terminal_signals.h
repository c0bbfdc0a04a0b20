#pragma once
// Signals that belong to the terminal.
//
// Where a person types (standard input and output are terminals), Ctrl-C never ends the program:
// while it waits for a line the key drops that line, at any other time it calls the action the
// program set, which cancels the work under way. Where a script feeds the program, Ctrl-C ends
// it as usual. Either way, a signal that ends the program (SIGTERM, SIGHUP, SIGQUIT, and SIGINT
// from a script) first writes out the output still held back, and on a colour terminal then hands
// the terminal back in its own colours.

#include "console/terminal/terminal.h"

namespace ql::console {

// Called from the signal handler: it must be async-signal-safe (no allocation, no lock).
using InterruptAction = void (*)(void* context) noexcept;

// Replaces the action for Ctrl-C while a command runs; a null action makes the key do nothing then.
void OnInterruptKey(InterruptAction action, void* context) noexcept;

// For the terminal itself.
namespace terminal_signals {

// Installs the handlers once; later calls change nothing.
void Install(bool personTyping, bool colourOutput);

// The output held back for descriptor 1, written by a signal that ends the program; null for none.
void SetPendingOutput(const PendingOutput* pending) noexcept;

// The program waits for a line for as long as one of these lives. Clears an earlier drop.
class InputWait {
 public:
  InputWait() noexcept;
  ~InputWait();
  InputWait(const InputWait&) = delete;
  InputWait& operator=(const InputWait&) = delete;
};

// True, once, when Ctrl-C came during the current InputWait.
bool TakeDroppedLine() noexcept;
// True when Ctrl-C came during the current InputWait; TakeDroppedLine still finds it.
bool LineDropPending() noexcept;

// True, once, when the terminal has shown a Ctrl-C pressed while a command ran as "^C": the
// output that follows starts on a new line.
bool TakeKeyEcho() noexcept;

}  // namespace terminal_signals

}  // namespace ql::console
