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
      terminal_.Write(data, size);
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
  terminal_.Write(bytes_.get(), size);
}

}  // namespace console
