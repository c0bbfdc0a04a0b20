#pragma once
// Collects output bytes and hands them to a Terminal in large writes.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "console/terminal/terminal.h"

namespace ql::console {

class OutputBuffer {
 public:
  static constexpr std::size_t kCapacity = 16 * 1024;

  // Registers the held bytes with the terminal, so that a signal ending the program writes them.
  explicit OutputBuffer(Terminal& terminal);
  ~OutputBuffer();
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Keeps the bytes, writing out what was kept before when they do not fit; a piece larger than
  // the whole buffer goes to the terminal directly.
  void Append(const char* data, std::size_t size);
  void Flush();
  // True when bytes have been held for at least `age` (measured from when the first of them came).
  bool HeldFor(std::chrono::milliseconds age) const;

  // Writes out everything up to the last line end and hands back the rest, the line the terminal
  // has not finished yet, for the caller to show; the caller leaves the terminal at the start of a
  // new line. When that line began in an earlier write, all of it is written and nothing is handed
  // back.
  std::string TakeUnfinishedLine();

 private:
  void Write(const char* data, std::size_t size);

  Terminal& terminal_;
  std::unique_ptr<char[]> bytes_;
  PendingOutput pending_;  // bytes_ and how many of them are held
  std::chrono::steady_clock::time_point heldSince_;
  bool atLineStart_ = true;  // the terminal got a line end last, or nothing yet
};

}  // namespace ql::console
