#include "console/markup.h"

#include <cstring>

namespace console {

// Follows the console's reading of markup: "##" is one '#', any other '#' takes the two bytes after
// it as the attribute.
bool EndsInsideMarkup(std::string_view text) noexcept {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const void* found = std::memchr(text.data() + pos, '#', text.size() - pos);
    if (found == nullptr) return false;
    const std::size_t marker = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    if (marker + 1 < text.size() && text[marker + 1] == '#') {
      pos = marker + 2;
      continue;
    }
    if (marker + 3 > text.size()) return true;
    pos = marker + 3;
  }
  return false;
}

}  // namespace console
