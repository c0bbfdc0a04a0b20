#pragma once
// The byte streams behind the console: the process's standard input and output, or, in tests, a
// buffer that captures exactly what a user would see.

#include <cstddef>
#include <memory>

namespace console {

class Terminal {
 public:
  virtual ~Terminal() = default;
  // True when the output is a colour terminal: escape sequences may be written.
  virtual bool IsConsole() const = 0;
  // Reads at most `size` bytes: the count read, 0 at the end of input, negative on failure.
  virtual long Read(char* buffer, std::size_t size) = 0;
  // Writes all bytes; failures are dropped.
  virtual void Write(const char* data, std::size_t size) = 0;
};

// Descriptors 0 and 1. Output counts as a console when it is a terminal, TERM is not "dumb" and
// NO_COLOR is unset or empty.
std::unique_ptr<Terminal> ProcessTerminal();

}  // namespace console
