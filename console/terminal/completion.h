#pragma once
// Tab at the line editor: the word before the cursor, the words a program offers in its place, and
// what Tab makes of them: the word completed, as far as the offers agree, or the offers listed.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::console {

struct CompletionRequest {
  // The statement up to the cursor: the lines typed before it in the same statement, each ended
  // by "\n", then the current line up to the cursor.
  std::string_view before;
  // The current line after the cursor.
  std::string_view after;
  // The end of `before` that a candidate replaces (CompletedWord); may be empty.
  std::string_view word;
};

// The words that may stand in the place of `request.word`, each whole; none when nothing fits. It
// runs while the person waits: it must return within a moment.
using Completer = std::function<std::vector<std::string>(const CompletionRequest& request)>;

// The bytes of a word Tab completes: ASCII letters, digits, '_', '$' and bytes above 0x7F (UTF-8).
bool IsWordByte(char ch);

// The word of IsWordByte bytes that ends `before`; empty when the cursor follows anything else.
std::string_view CompletedWord(std::string_view before);

// What Tab does with the candidates for `word`.
struct CompletionStep {
  // Replaces the word when not empty: the one candidate (and a blank unless one follows already),
  // or the start the candidates share, compared without regard to ASCII case and spelled as the
  // first of them, when it is longer than the word.
  std::string replacement;
  // Nothing to add: the candidates are shown for the person to choose.
  bool list = false;
};
CompletionStep PlanCompletion(std::string_view word, const std::vector<std::string>& candidates, bool blankFollows);

// The candidates sorted and in columns down then across, as many as fit in `width` terminal
// columns, each line ended by "\n"; every name shown as AppendShown shows a text at a terminal.
std::string CandidateColumns(std::vector<std::string> candidates, std::size_t width);

}  // namespace ql::console
