#include "access/core/host_list.h"

#include "access/ascii.h"

namespace ql::access {
namespace {

bool IsWholeNumber(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsAsciiDigit(c)) return false;
  }
  return true;
}

}  // namespace

HostPort SplitHostPort(std::string_view text) {
  text = TrimBlanks(text);
  if (text.starts_with('[')) {
    if (const std::size_t close = text.find(']'); close != std::string_view::npos) {
      const std::string_view after = text.substr(close + 1);
      return {text.substr(1, close - 1), after.starts_with(':') ? TrimBlanks(after.substr(1)) : std::string_view()};
    }
  } else if (const std::size_t colon = text.find(':');
             colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
    return {TrimBlanks(text.substr(0, colon)), TrimBlanks(text.substr(colon + 1))};
  }
  return {text, {}};
}

std::vector<HostPort> SplitHostList(std::string_view text) {
  text = TrimBlanks(text);
  std::vector<std::string_view> parts;
  for (std::size_t from = 0;;) {
    const std::size_t comma = text.find(',', from);
    parts.push_back(
        TrimBlanks(text.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from)));
    if (comma == std::string_view::npos) break;
    from = comma + 1;
  }
  if (parts.size() == 2 && IsWholeNumber(parts[1])) return {{parts[0], parts[1]}};
  std::vector<HostPort> hosts;
  hosts.reserve(parts.size());
  for (std::string_view part : parts) hosts.push_back(SplitHostPort(part));
  return hosts;
}

}  // namespace ql::access
