#pragma once
// The byte streams behind the console: the process's standard input and output, or, in tests, a
// buffer that captures exactly what a user would see.

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>

namespace ql::console {

class LineEditor;

// Output bytes held back for a later write, as a signal handler may read them: `bytes[0, used)` are
// complete while `writing` is false. The owner stores `used` with release order after copying the
// bytes in; while `writing` is true the bytes are on their way out and must not be written again.
struct PendingOutput {
  const char* bytes = nullptr;
  std::atomic<std::size_t> used{0};
  std::atomic<bool> writing{false};
  static_assert(std::atomic<std::size_t>::is_always_lock_free);
};

// A terminal's size in character cells.
struct WindowSize {
  int columns = 0;
  int rows = 0;
};

class Terminal {
 public:
  // Read's result when the person at the terminal pressed the interrupt key (Ctrl-C) while the
  // program waited for input: what they had typed on the line is gone.
  static constexpr long kInterrupted = -2;

  virtual ~Terminal() = default;
  // True when the output is a colour terminal: escape sequences may be written.
  virtual bool IsConsole() const = 0;
  // True when the output is a terminal, colour or not: control bytes in texts that are not the
  // program's own are then shown escaped rather than obeyed.
  virtual bool IsTerminal() const { return IsConsole(); }
  // Reads at most `size` bytes: the count read, 0 at the end of input, kInterrupted, or another
  // negative count on failure.
  virtual long Read(char* buffer, std::size_t size) = 0;
  // Writes all bytes; failures are dropped.
  virtual void Write(const char* data, std::size_t size) = 0;
  // Writes all bytes to the stream for messages beside the output (standard error), at once;
  // failures are dropped. Used only while the output is not a terminal.
  virtual void WriteNote(const char* data, std::size_t size) {
    static_cast<void>(data);
    static_cast<void>(size);
  }
  // True when the stream WriteNote writes to is a terminal: control bytes are then shown escaped.
  virtual bool NotesAtTerminal() const { return false; }
  // True when that stream is the output itself (standard error sent where standard output goes,
  // `2>&1`): a note may then take its place among the output's bytes, with no write of its own.
  virtual bool NotesJoinOutput() const { return false; }
  // The size of the terminal the output goes to, when it is one and tells it.
  virtual std::optional<WindowSize> Size() const { return std::nullopt; }
  // True once the reader of the output has gone away (a pager quit, `| head` had enough): nothing
  // written from then on can reach anyone.
  virtual bool OutputClosed() const { return false; }
  // The editor through which a person types whole lines here, or null when input is read as
  // bytes through Read.
  virtual LineEditor* Editor() { return nullptr; }
  // True when a person types the input at this terminal (with an editor or in the terminal's own
  // line mode), rather than a script feeding it.
  virtual bool PersonTyping() const { return false; }
  // Where the output not yet handed to Write is held, or null when none is any more; a terminal
  // that a signal may end writes it out first.
  virtual void HoldsPendingOutput(const PendingOutput*) {}
};

// Descriptors 0, 1 and 2 (for notes). Output counts as a console when it is a terminal, TERM is not "dumb" and
// NO_COLOR is unset or empty. When both descriptors are terminals a person is typing: Ctrl-C is
// taken over (see terminal_signals.h), and lines are edited unless TERM is unset or "dumb". A
// signal that ends the program writes out the pending output first.
std::unique_ptr<Terminal> ProcessTerminal();

}  // namespace ql::console
