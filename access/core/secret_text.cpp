#include "access/core/secret_text.h"

namespace ql::access {

// Every occurrence of every secret is found in the text as given, then each run of hidden bytes is
// written once as "***". Masking in place instead would let one secret's mask, with the text beside
// it, spell another (or the same) secret again, and the text could grow without end.
std::string WithoutSecrets(std::string text, const std::vector<std::string>& secrets) {
  // +1 where a hidden span starts, -1 where it ends; a running sum above 0 hides a byte.
  std::vector<int> edges(text.size() + 1, 0);
  bool hidden = false;
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 1)) {
      ++edges[at];
      --edges[at + secret.size()];
      hidden = true;
    }
  }
  if (!hidden) return text;
  std::string shown;
  shown.reserve(text.size());
  int depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool wasHidden = depth > 0;
    depth += edges[i];
    if (depth > 0) {
      if (!wasHidden) shown += "***";
    } else {
      shown += text[i];
    }
  }
  return shown;
}

}  // namespace ql::access
