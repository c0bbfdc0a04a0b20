#pragma once
// Collects output bytes and hands them to a Terminal in large writes.

#include <cstddef>
#include <memory>
#include <string>

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

  // Writes out everything up to the last line end and hands back the rest, the line the terminal
  // has not finished yet, for the caller to show; the caller leaves the terminal at the start of a
  // new line. When that line began in an earlier write, all of it is written and nothing is handed
  // back.
  std::string TakeUnfinishedLine();

 private:
  void Write(const char* data, std::size_t size);

  Terminal& terminal_;
  std::unique_ptr<char[]> bytes_;
  std::size_t used_ = 0;
  bool atLineStart_ = true;  // the terminal got a line end last, or nothing yet
};

}  // namespace console
