// Output buffering for the console.

#include "console/output_buffer.h"

#include <time.h>

#include <cstring>

namespace ql::console {

namespace {

// The coarse clock costs a few nanoseconds and is exact to a few milliseconds, which is all the
// age of held output needs.
std::chrono::steady_clock::time_point CoarseNow() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return std::chrono::steady_clock::time_point(std::chrono::seconds(now.tv_sec) +
                                               std::chrono::nanoseconds(now.tv_nsec));
}

}  // namespace

OutputBuffer::OutputBuffer(Terminal& terminal) : terminal_(terminal), bytes_(std::make_unique<char[]>(kCapacity)) {
  pending_.bytes = bytes_.get();
  terminal_.HoldsPendingOutput(&pending_);
}

OutputBuffer::~OutputBuffer() { terminal_.HoldsPendingOutput(nullptr); }

void OutputBuffer::Append(const char* data, std::size_t size) {
  std::size_t used = pending_.used.load(std::memory_order_relaxed);
  if (size > kCapacity - used) {
    Flush();
    used = 0;
    if (size >= kCapacity) {
      Write(data, size);
      return;
    }
  }
  if (size == 0) return;
  if (used == 0) heldSince_ = CoarseNow();
  std::memcpy(bytes_.get() + used, data, size);
  // Published after the copy: a signal handler that sees the new count sees the bytes.
  pending_.used.store(used + size, std::memory_order_release);
}

void OutputBuffer::Flush() {
  const std::size_t size = pending_.used.load(std::memory_order_relaxed);
  if (size == 0) return;
  // Emptied first: a failed write is dropped, never retried with the same bytes. While the bytes
  // are being written a signal handler leaves them to this write.
  pending_.writing.store(true, std::memory_order_release);
  pending_.used.store(0, std::memory_order_release);
  Write(bytes_.get(), size);
  pending_.writing.store(false, std::memory_order_release);
}

bool OutputBuffer::HeldFor(std::chrono::milliseconds age) const {
  return pending_.used.load(std::memory_order_relaxed) > 0 && CoarseNow() - heldSince_ >= age;
}

std::string OutputBuffer::TakeUnfinishedLine() {
  const char* const bytes = bytes_.get();
  const std::size_t used = pending_.used.load(std::memory_order_relaxed);
  std::size_t lineStart = used;
  while (lineStart > 0 && bytes[lineStart - 1] != '\n') --lineStart;
  std::string unfinished;
  if (lineStart > 0 || atLineStart_) {
    unfinished.assign(bytes + lineStart, used - lineStart);
    pending_.used.store(lineStart, std::memory_order_release);
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

}  // namespace ql::console
