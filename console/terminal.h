#pragma once
// The byte streams behind the console: the process's standard input and output, or, in tests, a
// buffer that captures exactly what a user would see.

#include <cstddef>
#include <memory>

namespace console {

class LineEditor;

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
  // The editor through which a person types whole lines here, or null when input is read as
  // bytes through Read.
  virtual LineEditor* Editor() { return nullptr; }
};

// Descriptors 0 and 1. Output counts as a console when it is a terminal, TERM is not "dumb" and
// NO_COLOR is unset or empty. When both descriptors are terminals a person is typing: Ctrl-C is
// taken over (see terminal_signals.h), and lines are edited unless TERM is unset or "dumb".
std::unique_ptr<Terminal> ProcessTerminal();

}  // namespace console
