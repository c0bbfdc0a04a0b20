// The prompt for the line editor, taken from the unfinished line of output.

#include "console/terminal/editor_prompt.h"

#include "console/terminal/line_editor.h"

namespace ql::console {

namespace {

constexpr char kEscape = '\x1b';

// The length of the control sequence (ESC [ parameters intermediates final) at `pos`, or 0 when
// none starts there. One cut short by the end of the text reaches to that end.
std::size_t ControlSequenceLength(std::string_view text, std::size_t pos) {
  if (pos + 1 >= text.size() || text[pos] != kEscape || text[pos + 1] != '[') return 0;
  std::size_t end = pos + 2;
  while (end < text.size() && text[end] >= 0x30 && text[end] <= 0x3F) ++end;
  while (end < text.size() && text[end] >= 0x20 && text[end] <= 0x2F) ++end;
  if (end < text.size() && text[end] >= 0x40 && text[end] <= 0x7E) ++end;
  return end - pos;
}

bool IsControl(char ch) {
  const auto byte = static_cast<unsigned char>(ch);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

EditorPrompt SplitEditorPrompt(std::string_view unfinishedLine) {
  EditorPrompt prompt;
  for (std::size_t pos = 0; pos < unfinishedLine.size();) {
    const std::size_t sequence = ControlSequenceLength(unfinishedLine, pos);
    if (sequence > 2 && unfinishedLine[pos + sequence - 1] == 'm') {
      pos += sequence;  // a colour change
      continue;
    }
    if (sequence > 0 || IsControl(unfinishedLine[pos])) {
      pos += sequence > 0 ? sequence : 1;
      prompt.start = pos;
      continue;
    }
    ++pos;
  }
  for (std::size_t pos = prompt.start; pos < unfinishedLine.size();) {
    const std::size_t sequence = ControlSequenceLength(unfinishedLine, pos);
    if (sequence == 0) {
      prompt.text += unfinishedLine[pos++];
      continue;
    }
    prompt.text += LineEditor::kNonPrinting;
    prompt.text += unfinishedLine.substr(pos, sequence);
    prompt.text += LineEditor::kNonPrinting;
    pos += sequence;
  }
  return prompt;
}

}  // namespace ql::console
