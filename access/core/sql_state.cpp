#include "access/core/sql_state.h"

namespace ql::access {
namespace {

// A five-character SQLSTATE, or a two-character class followed by '*'. The first row that matches
// decides, so exact states come before their class.
struct StateCode {
  std::string_view state;
  ResultCode code;
};

// One row a line, so that a row and its comment stay together.
// clang-format off
constexpr StateCode kStateCodes[] = {
    {"HY008", kCancelled},
    {"57014", kCancelled},  // PostgreSQL: statement cancelled on request
    {"70100", kCancelled},  // MariaDB: query execution interrupted
    {"42S02", kNoSuchTable},
    {"42P01", kNoSuchTable},
    {"42501", kPermissionDenied},
    {"22003", kOutOfRange},
    {"HYC00", kNotSupported},
    {"IM001", kNotSupported},
    {"42*", kStatementError},  // syntax errors, unknown columns and functions
    {"23*", kConstraintViolated},
    {"28*", kAuthenticationFailed},
    {"08*", kProviderFailed},
};
// clang-format on

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

ResultCode MapSqlState(std::string_view sqlState) {
  for (const StateCode& row : kStateCodes) {
    const bool matches =
        row.state.ends_with('*') ? sqlState.starts_with(row.state.substr(0, 2)) : sqlState == row.state;
    if (matches) return row.code;
  }
  return kProviderFailed;
}

std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      std::size_t end = i;
      bool breaks = false;
      while (end < text.size() && IsBlank(text[end])) {
        breaks = breaks || text[end] == '\r' || text[end] == '\n';
        ++end;
      }
      if (end == text.size()) break;
      if (breaks) {
        line += ' ';
      } else {
        line.append(text.substr(i, end - i));
      }
      i = end;
    } else {
      line += text[i++];
    }
  }
  return line;
}

}  // namespace ql::access
