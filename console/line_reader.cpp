// Line input for the console.

#include "console/line_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace console {

LineReader::LineReader(Terminal& terminal, std::function<void()> beforeRead)
    : terminal_(terminal),
      beforeRead_(std::move(beforeRead)),
      bytes_(std::make_unique<char[]>(kCapacity)) {}

std::int32_t LineReader::ReadLine(char* buffer, std::int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  const std::size_t limit = static_cast<std::size_t>(size) - 1;
  std::size_t taken = 0;
  while (taken < limit) {
    if (begin_ == end_) {
      if (beforeRead_) beforeRead_();
      const long got = terminal_.Read(bytes_.get(), kCapacity);
      if (got < 0) {
        // Half a line is not run as a command of its own.
        buffer[0] = '\0';
        return 0;
      }
      if (got == 0) break;
      begin_ = 0;
      end_ = std::min(static_cast<std::size_t>(got), kCapacity);
    }
    const char* const start = bytes_.get() + begin_;
    const std::size_t available = std::min(limit - taken, end_ - begin_);
    const void* const lineEnd = std::memchr(start, '\n', available);
    const std::size_t count =
        lineEnd != nullptr ? static_cast<const char*>(lineEnd) - start + 1 : available;
    std::memcpy(buffer + taken, start, count);
    taken += count;
    begin_ += count;
    if (lineEnd != nullptr) break;
  }
  buffer[taken] = '\0';
  return static_cast<std::int32_t>(taken);
}

}  // namespace console
