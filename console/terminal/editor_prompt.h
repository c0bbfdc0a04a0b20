#pragma once
// What a line editor draws as its prompt: the end of the unfinished line of output that holds
// only printing text and colour changes. Anything else there (clearing the screen, placing the
// cursor, control bytes) is written as usual, since the editor draws its prompt again whenever it
// redraws the line.

#include <cstddef>
#include <string>
#include <string_view>

namespace ql::console {

struct EditorPrompt {
  std::size_t start = 0;  // where in the unfinished line the prompt begins
  std::string text;       // the prompt, each colour change between two LineEditor::kNonPrinting
};

EditorPrompt SplitEditorPrompt(std::string_view unfinishedLine);

}  // namespace ql::console
