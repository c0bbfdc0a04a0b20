#pragma once
// Passwords kept out of reports: a provider that was given secrets removes them from every message
// before the message reaches the error list.

#include <string>
#include <vector>

namespace ql::access {

// `text` with every occurrence of each non-empty secret replaced by "***".
std::string WithoutSecrets(std::string text, const std::vector<std::string>& secrets);

}  // namespace ql::access
