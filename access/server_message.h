#pragma once
// A message the database sent beside a statement's outcome: a notice, a warning, an informational
// diagnostic. It never stands for a failure; failures travel as DataAccessError.

#include <string>

namespace ql::access {

struct ServerMessage {
  std::string level;  // as the database names it, in capitals: "NOTICE", "WARNING", "INFO", ...
  std::string text;   // the message itself, as the database sent it
};

}  // namespace ql::access
