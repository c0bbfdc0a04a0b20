#include "access/core/connection_string.h"

#include "access/ascii.h"

namespace ql::access {
namespace {

// The keys whose values are passwords, under every name a provider takes them by.
constexpr std::string_view kPasswordKeys[] = {"Password", "PWD"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

struct Value {
  std::string text;
  ValueForm form = ValueForm::kData;
};

// Reads a value that starts at text[pos] (blanks already skipped) up to the ';' that ends it, and
// leaves pos on that ';' or at the end. Quoted values lose their quotes, a doubled quote standing for
// one. Braced values keep their braces, since they are passed on as written, and a ';' inside them
// does not end the value; they are well-formed when every '}' inside is doubled and only blanks
// follow the closing one.
Value ReadValue(std::string_view text, std::size_t& pos) {
  Value value;
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
    const char quote = text[pos++];
    while (pos < text.size()) {
      if (text[pos] == quote) {
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value.text += quote;
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
      value.text += text[pos++];
    }
    // Anything between the closing quote and the next ';' is not part of the value.
    while (pos < text.size() && text[pos] != ';') ++pos;
    return value;
  }
  if (pos < text.size() && text[pos] == '{') {
    std::size_t end = pos + 1;
    bool closed = false;
    while (end < text.size()) {
      if (text[end] == '}') {
        if (end + 1 < text.size() && text[end + 1] == '}') {
          end += 2;
          continue;
        }
        ++end;
        closed = true;
        break;
      }
      ++end;
    }
    value.text.assign(text.substr(pos, end - pos));
    pos = end;
    std::size_t stop = text.find(';', pos);
    if (stop == std::string_view::npos) stop = text.size();
    const std::string_view after = Trim(text.substr(pos, stop - pos));
    value.text += after;
    value.form = closed && after.empty() ? ValueForm::kBraced : ValueForm::kBadBraces;
    pos = stop;
    return value;
  }
  std::size_t stop = text.find(';', pos);
  if (stop == std::string_view::npos) stop = text.size();
  value.text.assign(Trim(text.substr(pos, stop - pos)));
  pos = stop;
  return value;
}

}  // namespace

ConnectionString ConnectionString::Parse(std::string_view text) {
  ConnectionString result;
  std::size_t pos = 0;
  bool afterPassword = false;
  while (pos < text.size()) {
    if (text[pos] == ';' || IsBlank(text[pos])) {
      ++pos;
      continue;
    }
    std::size_t keyEnd = pos;
    while (keyEnd < text.size() && text[keyEnd] != '=' && text[keyEnd] != ';') ++keyEnd;
    std::string_view key = Trim(text.substr(pos, keyEnd - pos));
    pos = keyEnd;
    Value value;
    if (pos < text.size() && text[pos] == '=') {
      ++pos;
      while (pos < text.size() && IsBlank(text[pos])) ++pos;
      value = ReadValue(text, pos);
    } else if (!key.empty() && !result.pieceWithoutValue_) {
      result.pieceWithoutValue_ = std::string(key);
      result.pieceFollowsPassword_ = afterPassword;
    }
    afterPassword = IsOneOfIgnoringCase(key, kPasswordKeys);
    if (!key.empty()) result.Set(std::string(key), std::move(value.text), value.form);
  }
  return result;
}

std::optional<std::string> ConnectionString::Find(std::string_view key) const {
  for (const Pair& pair : pairs_) {
    if (EqualsIgnoringCase(pair.first, key)) return pair.second;
  }
  return std::nullopt;
}

std::string ConnectionString::BracedText(std::string_view braced) {
  if (braced.size() < 2 || braced.front() != '{' || braced.back() != '}') return std::string(braced);
  braced = braced.substr(1, braced.size() - 2);
  std::string text;
  for (std::size_t i = 0; i < braced.size(); ++i) {
    text += braced[i];
    if (braced[i] == '}' && i + 1 < braced.size() && braced[i + 1] == '}') ++i;
  }
  return text;
}

ValueForm ConnectionString::Form(std::string_view key) const {
  for (std::size_t i = 0; i < pairs_.size(); ++i) {
    if (EqualsIgnoringCase(pairs_[i].first, key)) return forms_[i];
  }
  return ValueForm::kData;
}

void ConnectionString::Set(std::string key, std::string value, ValueForm form) {
  for (std::size_t i = 0; i < pairs_.size(); ++i) {
    if (EqualsIgnoringCase(pairs_[i].first, key)) {
      pairs_[i].second = std::move(value);
      forms_[i] = form;
      return;
    }
  }
  pairs_.emplace_back(std::move(key), std::move(value));
  forms_.push_back(form);
}

std::string_view RenamedKey(std::string_view key, std::span<const KeyRename> renames) {
  std::string_view renamed;
  for (const KeyRename& rename : renames) {
    if (!rename.from.empty() && EqualsIgnoringCase(key, rename.from)) renamed = rename.to;
  }
  return renamed;
}

void RaiseBadBraces(std::string_view key, std::string source, ErrorList& errors) {
  errors.Raise(kProviderFailed, std::move(source),
               "The value of " + std::string(key) +
                   " starts with '{' but its braces do not close where the value ends. Inside braces a '}' "
                   "is written '}}'; a value in quotes is taken as it is.");
}

}  // namespace ql::access
