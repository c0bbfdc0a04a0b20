// Output buffering for the console.

#include "console/output_buffer.h"

#include <cstring>

namespace console {

OutputBuffer::OutputBuffer(Terminal& terminal)
    : terminal_(terminal), bytes_(std::make_unique<char[]>(kCapacity)) {}

void OutputBuffer::Append(const char* data, std::size_t size) {
  if (size > kCapacity - used_) {
    Flush();
    if (size >= kCapacity) {
      Write(data, size);
      return;
    }
  }
  std::memcpy(bytes_.get() + used_, data, size);
  used_ += size;
}

void OutputBuffer::Flush() {
  if (used_ == 0) return;
  // Emptied first: a failed write is dropped, never retried with the same bytes.
  const std::size_t size = used_;
  used_ = 0;
  Write(bytes_.get(), size);
}

std::string OutputBuffer::TakeUnfinishedLine() {
  const char* const bytes = bytes_.get();
  std::size_t lineStart = used_;
  while (lineStart > 0 && bytes[lineStart - 1] != '\n') --lineStart;
  std::string unfinished;
  if (lineStart > 0 || atLineStart_) {
    unfinished.assign(bytes + lineStart, used_ - lineStart);
    used_ = lineStart;
  }
  Flush();
  atLineStart_ = true;
  return unfinished;
}

void OutputBuffer::Write(const char* data, std::size_t size) {
  if (size == 0) return;
  atLineStart_ = data[size - 1] == '\n';
  terminal_.Write(data, size);
}

}  // namespace console
