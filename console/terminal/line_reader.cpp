// Line input for the console.

#include "console/terminal/line_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "console/terminal/line_editor.h"

namespace ql::console {

namespace {

constexpr char kEmptyLine[] = "\n";

}  // namespace

LineReader::LineReader(Terminal& terminal, Hooks hooks)
    : terminal_(terminal), hooks_(std::move(hooks)), bytes_(std::make_unique<char[]>(kCapacity)) {}

std::int32_t LineReader::ReadLine(char* buffer, std::int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  const std::size_t limit = static_cast<std::size_t>(size) - 1;
  std::size_t taken = 0;
  while (taken < limit) {
    if (begin_ == end_) {
      const Fill fill = Refill();
      if (fill == Fill::kFailed) {
        // Half a line is not run as a command of its own.
        buffer[0] = '\0';
        return 0;
      }
      if (fill == Fill::kEnd) break;
      if (fill == Fill::kDropped) {
        taken = 0;
        data_ = kEmptyLine;
        begin_ = 0;
        end_ = sizeof kEmptyLine - 1;
      }
    }
    const char* const start = data_ + begin_;
    const std::size_t available = std::min(limit - taken, end_ - begin_);
    const void* const lineEnd = std::memchr(start, '\n', available);
    const std::size_t count = lineEnd != nullptr ? static_cast<const char*>(lineEnd) - start + 1 : available;
    std::memcpy(buffer + taken, start, count);
    taken += count;
    begin_ += count;
    if (lineEnd != nullptr) break;
  }
  buffer[taken] = '\0';
  return static_cast<std::int32_t>(taken);
}

LineReader::Status LineReader::ReadWholeLine(std::string& line, std::size_t limit, bool continuesEntry) {
  line.clear();
  bool tooLong = false;
  bool any = false;
  for (;;) {
    if (begin_ == end_) {
      const Fill fill = Refill(continuesEntry);
      if (fill == Fill::kFailed) {
        line.clear();
        return Status::kEnd;
      }
      if (fill == Fill::kEnd) {
        if (!any) return Status::kEnd;
        break;
      }
      if (fill == Fill::kDropped) {
        line.assign(1, '\n');
        return Status::kDropped;
      }
    }
    any = true;
    const char* const start = data_ + begin_;
    const std::size_t available = end_ - begin_;
    const void* const lineEnd = std::memchr(start, '\n', available);
    const std::size_t count = lineEnd != nullptr ? static_cast<const char*>(lineEnd) - start + 1 : available;
    begin_ += count;
    if (!tooLong) {
      const std::size_t kept = line.size() + count - (lineEnd != nullptr ? 1 : 0);
      if (kept > limit) {
        // Given back at once: the rest of the line is only skipped.
        tooLong = true;
        std::string().swap(line);
      } else {
        line.append(start, count);
      }
    }
    if (lineEnd != nullptr) break;
  }
  return tooLong ? Status::kTooLong : Status::kLine;
}

LineReader::Fill LineReader::Refill(bool continuesEntry) {
  if (terminal_.Editor() != nullptr) return RefillFromEditor(continuesEntry);
  if (hooks_.beforeRead) hooks_.beforeRead();
  const long got = terminal_.Read(bytes_.get(), kCapacity);
  if (got == Terminal::kInterrupted) return Fill::kDropped;
  if (got < 0) return Fill::kFailed;
  if (got == 0) return Fill::kEnd;
  data_ = bytes_.get();
  begin_ = 0;
  end_ = std::min(static_cast<std::size_t>(got), kCapacity);
  return Fill::kBytes;
}

LineReader::Fill LineReader::RefillFromEditor(bool continuesEntry) {
  const std::string prompt = hooks_.takePrompt ? hooks_.takePrompt() : std::string();
  LineEditor& editor = *terminal_.Editor();
  if (continuesEntry) editor.ContinueEntry();
  switch (editor.ReadLine(prompt, edited_)) {
    case LineEditor::Outcome::kLine:
      // A line is never empty (its line end at least); an editor that says otherwise has nothing
      // more to give.
      if (edited_.empty()) return Fill::kEnd;
      data_ = edited_.data();
      begin_ = 0;
      end_ = edited_.size();
      return Fill::kBytes;
    case LineEditor::Outcome::kInterrupted:
      return Fill::kDropped;
    case LineEditor::Outcome::kEnd:
      break;
  }
  return Fill::kEnd;
}

}  // namespace ql::console
