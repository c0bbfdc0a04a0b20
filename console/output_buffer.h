#pragma once
// Collects output bytes and hands them to a Terminal in large writes.

#include <cstddef>
#include <memory>

#include "console/terminal.h"

namespace console {

class OutputBuffer {
 public:
  static constexpr std::size_t kCapacity = 16 * 1024;

  explicit OutputBuffer(Terminal& terminal);
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Keeps the bytes, writing out what was kept before when they do not fit; a piece larger than
  // the whole buffer goes to the terminal directly.
  void Append(const char* data, std::size_t size);
  void Flush();

 private:
  Terminal& terminal_;
  std::unique_ptr<char[]> bytes_;
  std::size_t used_ = 0;
};

}  // namespace console
