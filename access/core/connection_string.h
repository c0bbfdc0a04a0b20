#pragma once
// Connection strings in OLE DB syntax: key=value pairs separated by ';', keys compared without
// regard to ASCII case with surrounding blanks trimmed, values optionally in single or double
// quotes where a doubled quote stands for one. An unquoted value that starts with '{' is in ODBC's
// brace syntax (Driver={SQLite3}, a '}' inside doubled): it keeps its braces, since it goes to the
// driver as typed, and may contain ';'.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "access/core/error_list.h"

namespace ql::access {

// How a value was written, which decides how it may be handed to an ODBC driver.
enum class ValueForm {
  kData,       // plain or quoted: the value is the text itself, to be quoted for a driver as needed
  kBraced,     // unquoted and in well-formed braces, kept with them: goes to a driver as typed
  kBadBraces,  // unquoted, starts with '{' but the braces do not close where the value ends
};

// A key by its OLE DB name and the name a driver or library knows it by.
struct KeyRename {
  std::string_view from;
  std::string_view to;
};

// The name `renames` gives `key`, compared without regard to case (an empty `from` names no key; of
// several that name it, the last); empty when none names it.
std::string_view RenamedKey(std::string_view key, std::span<const KeyRename> renames);

class ConnectionString {
 public:
  using Pair = std::pair<std::string, std::string>;

  // Never fails: a piece without '=' is a key with an empty value; an unterminated quote runs to the
  // end of the text, as do braces never closed (the value is then kBadBraces). When a key repeats,
  // the last value and its form win.
  static ConnectionString Parse(std::string_view text);

  // The first piece that had no '=' (blanks trimmed), if any: a connection string holding one is not
  // in the key=value form, and opening it would open something else than was named.
  const std::optional<std::string>& PieceWithoutValue() const noexcept { return pieceWithoutValue_; }
  // True when that piece came right after a password's value: most likely the rest of a password
  // holding ';', so it must never be shown back.
  bool PieceFollowsPassword() const noexcept { return pieceFollowsPassword_; }

  std::optional<std::string> Find(std::string_view key) const;
  bool Has(std::string_view key) const { return Find(key).has_value(); }
  // The pairs in their order, keys as written; a repeated key appears once, where it first stood.
  const std::vector<Pair>& Pairs() const noexcept { return pairs_; }
  // The form of Pairs()[index].
  ValueForm FormAt(std::size_t index) const noexcept { return forms_[index]; }
  ValueForm Form(std::string_view key) const;

  // The text a well-formed braced value stands for: the braces gone, a doubled '}' made one.
  static std::string BracedText(std::string_view braced);

  // Replaces the value of `key` (compared without regard to case) or appends the pair.
  void Set(std::string key, std::string value, ValueForm form = ValueForm::kData);

 private:
  std::vector<Pair> pairs_;
  std::optional<std::string> pieceWithoutValue_;
  bool pieceFollowsPassword_ = false;
  std::vector<ValueForm> forms_;  // one per pair
};

// Refuses a kBadBraces value of `key` with kProviderFailed. The value itself is not repeated in
// the report: it may be a password.
[[noreturn]] void RaiseBadBraces(std::string_view key, std::string source, ErrorList& errors);

}  // namespace ql::access
