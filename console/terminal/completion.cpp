// The word Tab completes, the step it takes, and the listing of several candidates.

#include "console/terminal/completion.h"

#include <algorithm>

#include "console/terminal/shown_text.h"

namespace ql::console {

namespace {

char FoldCase(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

// The bytes `a` and `b` share at their start, ASCII case aside.
std::size_t SharedStart(std::string_view a, std::string_view b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && FoldCase(a[n]) == FoldCase(b[n])) ++n;
  return n;
}

// Cut back to the start of a UTF-8 character, so that a shared start never ends inside one.
std::size_t WholeCharacters(std::string_view text, std::size_t length) {
  while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  return length;
}

}  // namespace

bool IsWordByte(char ch) {
  const auto byte = static_cast<unsigned char>(ch);
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte == '_' ||
         byte == '$' || byte >= 0x80;
}

std::string_view CompletedWord(std::string_view before) {
  std::size_t start = before.size();
  while (start > 0 && IsWordByte(before[start - 1])) --start;
  return before.substr(start);
}

CompletionStep PlanCompletion(std::string_view word, const std::vector<std::string>& candidates, bool blankFollows) {
  CompletionStep step;
  if (candidates.empty()) return step;
  if (candidates.size() == 1) {
    step.replacement = candidates.front();
    if (!blankFollows) step.replacement += ' ';
    return step;
  }
  std::size_t shared = candidates.front().size();
  for (const std::string& candidate : candidates) shared = std::min(shared, SharedStart(candidates.front(), candidate));
  const std::string& first = candidates.front();
  const std::string_view start = std::string_view(first).substr(0, WholeCharacters(first, shared));
  if (start.size() > word.size()) {
    step.replacement = start;
  } else {
    step.list = true;
  }
  return step;
}

std::string CandidateColumns(std::vector<std::string> candidates, std::size_t width) {
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  if (candidates.empty()) return {};
  std::vector<std::string> shown(candidates.size());
  std::vector<std::size_t> widths(candidates.size());
  std::size_t widest = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    AppendShown(candidates[i], true, shown[i]);
    widths[i] = ShownWidth(candidates[i], true);
    widest = std::max(widest, widths[i]);
  }
  const std::size_t columnWidth = widest + 2;
  const std::size_t columns = std::max<std::size_t>(1, (width + 2) / columnWidth);
  const std::size_t rows = (candidates.size() + columns - 1) / columns;
  std::string text;
  for (std::size_t row = 0; row < rows; ++row) {
    for (std::size_t i = row; i < candidates.size(); i += rows) {
      text += shown[i];
      // Padding only between columns: no line ends in blanks.
      if (i + rows < candidates.size()) text.append(columnWidth - widths[i], ' ');
    }
    text += '\n';
  }
  return text;
}

}  // namespace ql::console
