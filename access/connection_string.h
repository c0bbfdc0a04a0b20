#pragma once
// Connection strings in OLE DB syntax: key=value pairs separated by ';', keys compared without
// regard to ASCII case with surrounding blanks trimmed, values optionally in single or double
// quotes where a doubled quote stands for one. A value in braces, as the ODBC driver manager writes
// them (Driver={SQLite3}), keeps its braces and may contain ';'.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "access/layer_namespace.h"

namespace ql::access {

class ConnectionString {
 public:
  using Pair = std::pair<std::string, std::string>;

  // Never fails: a piece without '=' is a key with an empty value; an unterminated quote runs to the
  // end of the text. When a key repeats, the last value wins.
  static ConnectionString Parse(std::string_view text);

  // The first piece that had no '=' (blanks trimmed), if any: a connection string holding one is not
  // in the key=value form, and opening it would open something else than was named.
  const std::optional<std::string>& PieceWithoutValue() const noexcept { return pieceWithoutValue_; }

  std::optional<std::string> Find(std::string_view key) const;
  bool Has(std::string_view key) const { return Find(key).has_value(); }
  // The pairs in their order, keys as written; a repeated key appears once, where it first stood.
  const std::vector<Pair>& Pairs() const noexcept { return pairs_; }

  // Replaces the value of `key` (compared without regard to case) or appends the pair.
  void Set(std::string key, std::string value);
  void Remove(std::string_view key);

 private:
  std::vector<Pair> pairs_;
  std::optional<std::string> pieceWithoutValue_;
};

}  // namespace ql::access
