#include "console/markup.h"

#include <cstring>

namespace console {

// Follows the console's reading of markup: "##" is one '#', any other '#' takes the two bytes after
// it as the attribute, which applies to the bytes after those.
bool EndsInsideMarkup(std::string_view text) noexcept {
  // Only a colour change that starts in the last three bytes ends the text; without a '#' there,
  // no scan is needed.
  const std::size_t size = text.size();
  if (size >= 3 && text[size - 1] != '#' && text[size - 2] != '#' && text[size - 3] != '#') return false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const void* found = std::memchr(text.data() + pos, '#', text.size() - pos);
    if (found == nullptr) return false;
    const std::size_t marker = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    if (marker + 1 < text.size() && text[marker + 1] == '#') {
      pos = marker + 2;
      continue;
    }
    if (marker + 3 >= text.size()) return true;
    pos = marker + 3;
  }
  return false;
}

}  // namespace console
