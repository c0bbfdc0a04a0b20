#include "access/connection_string.h"

#include "access/ascii.h"

namespace ql::access {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Reads a value that starts at text[pos] (blanks already skipped) up to the ';' that ends it, and
// leaves pos on that ';' or at the end. Quoted values lose their quotes, a doubled quote standing for
// one; braced values (the driver manager's quoting) keep their braces, since they are passed on as
// written, but a ';' inside them does not end the value.
std::string ReadValue(std::string_view text, std::size_t& pos) {
  std::string value;
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
    const char quote = text[pos++];
    while (pos < text.size()) {
      if (text[pos] == quote) {
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value += quote;
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
      value += text[pos++];
    }
    // Anything between the closing quote and the next ';' is not part of the value.
    while (pos < text.size() && text[pos] != ';') ++pos;
    return value;
  }
  if (pos < text.size() && text[pos] == '{') {
    std::size_t end = pos + 1;
    while (end < text.size()) {
      if (text[end] == '}') {
        if (end + 1 < text.size() && text[end + 1] == '}') {
          end += 2;
          continue;
        }
        ++end;
        break;
      }
      ++end;
    }
    value.assign(text.substr(pos, end - pos));
    pos = end;
    std::size_t stop = text.find(';', pos);
    if (stop == std::string_view::npos) stop = text.size();
    value += Trim(text.substr(pos, stop - pos));
    pos = stop;
    return value;
  }
  std::size_t stop = text.find(';', pos);
  if (stop == std::string_view::npos) stop = text.size();
  value.assign(Trim(text.substr(pos, stop - pos)));
  pos = stop;
  return value;
}

}  // namespace

ConnectionString ConnectionString::Parse(std::string_view text) {
  ConnectionString result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ';' || IsBlank(text[pos])) {
      ++pos;
      continue;
    }
    std::size_t keyEnd = pos;
    while (keyEnd < text.size() && text[keyEnd] != '=' && text[keyEnd] != ';') ++keyEnd;
    std::string_view key = Trim(text.substr(pos, keyEnd - pos));
    pos = keyEnd;
    std::string value;
    if (pos < text.size() && text[pos] == '=') {
      ++pos;
      while (pos < text.size() && IsBlank(text[pos])) ++pos;
      value = ReadValue(text, pos);
    } else if (!key.empty() && !result.pieceWithoutValue_) {
      result.pieceWithoutValue_ = std::string(key);
    }
    if (!key.empty()) result.Set(std::string(key), std::move(value));
  }
  return result;
}

std::optional<std::string> ConnectionString::Find(std::string_view key) const {
  for (const Pair& pair : pairs_) {
    if (EqualsIgnoringCase(pair.first, key)) return pair.second;
  }
  return std::nullopt;
}

void ConnectionString::Set(std::string key, std::string value) {
  for (Pair& pair : pairs_) {
    if (EqualsIgnoringCase(pair.first, key)) {
      pair.second = std::move(value);
      return;
    }
  }
  pairs_.emplace_back(std::move(key), std::move(value));
}

void ConnectionString::Remove(std::string_view key) {
  std::erase_if(pairs_, [key](const Pair& pair) { return EqualsIgnoringCase(pair.first, key); });
}

}  // namespace ql::access
