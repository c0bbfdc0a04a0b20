#pragma once
// Splits the input of a Terminal into lines, one per call: bytes through an input buffer, or
// whole lines from the terminal's line editor.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "console/terminal/terminal.h"

namespace ql::console {

class LineReader {
 public:
  static constexpr std::size_t kCapacity = 16 * 1024;

  // Both run whenever the program may be about to wait for its user.
  struct Hooks {
    std::function<void()> beforeRead;         // before every read of bytes
    std::function<std::string()> takePrompt;  // before the editor is asked: what it is to draw
  };

  LineReader(Terminal& terminal, Hooks hooks);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line, NUL-terminated: the bytes up to and including the line feed, or the first
  // size - 1 bytes of a longer line (the rest comes with the next calls), or the last bytes of the
  // input when they lack a line end. A line dropped with Ctrl-C reads as an empty line, "\n".
  // Returns the count; 0 with an empty text at the end of the input, on a failed read, and when
  // `size` leaves no room for a byte.
  std::int32_t ReadLine(char* buffer, std::int32_t size);

  enum class Status { kLine, kTooLong, kEnd, kDropped };
  // The next line whole, bytes up to and including its line feed (none on a last line without
  // one), NULs kept. A line of more than `limit` bytes before its line feed is read on to its end
  // without being kept: kTooLong, with `line` empty. A line dropped with Ctrl-C is kDropped and
  // reads as "\n". kEnd, with `line` empty, at the end of the input and on a failed read, so that
  // half a line never runs. With `continuesEntry`, a line the editor is asked for goes on the
  // history entry of the line before (LineEditor::ContinueEntry).
  Status ReadWholeLine(std::string& line, std::size_t limit, bool continuesEntry = false);

  // True when bytes of a line already read from the terminal wait to be handed out: the next line
  // (or the start of it) comes without waiting for anyone.
  bool HasWaitingBytes() const noexcept { return begin_ != end_; }

 private:
  enum class Fill { kBytes, kDropped, kEnd, kFailed };
  Fill Refill(bool continuesEntry = false);
  Fill RefillFromEditor(bool continuesEntry);

  Terminal& terminal_;
  Hooks hooks_;
  std::unique_ptr<char[]> bytes_;
  std::string edited_;          // the editor's last line
  const char* data_ = nullptr;  // bytes_ or edited_, whichever was filled last
  std::size_t begin_ = 0;       // the next byte not yet handed out
  std::size_t end_ = 0;         // one past the last byte filled
};

}  // namespace ql::console
