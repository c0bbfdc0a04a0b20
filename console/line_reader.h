#pragma once
// Splits the byte stream of a Terminal into lines, one per call, through an input buffer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "console/terminal.h"

namespace console {

class LineReader {
 public:
  static constexpr std::size_t kCapacity = 16 * 1024;

  // `beforeRead` runs before every read from the terminal, that is whenever the program may be
  // about to wait for its user.
  LineReader(Terminal& terminal, std::function<void()> beforeRead);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line, NUL-terminated: the bytes up to and including the line feed, or the first
  // size - 1 bytes of a longer line (the rest comes with the next calls), or the last bytes of the
  // input when they lack a line end. Returns the count; 0 with an empty text at the end of the
  // input, on a failed read, and when `size` leaves no room for a byte.
  std::int32_t ReadLine(char* buffer, std::int32_t size);

 private:
  Terminal& terminal_;
  std::function<void()> beforeRead_;
  std::unique_ptr<char[]> bytes_;
  std::size_t begin_ = 0;  // the next byte not yet handed out
  std::size_t end_ = 0;    // one past the last byte read
};

}  // namespace console
