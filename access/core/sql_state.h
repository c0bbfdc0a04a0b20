#pragma once
// The result code of a database failure by its SQLSTATE, for every provider that reports
// one (the ODBC drivers and PostgreSQL's own client library), and the one-line form of a message.

#include <string>
#include <string_view>

#include "access/result_code.h"

namespace ql::access {

// The code of a five-character SQLSTATE; kProviderFailed for a state the table does not name.
ResultCode MapSqlState(std::string_view sqlState);

// Runs of blanks that hold a line break become one blank and trailing blanks go, so that a message
// reads on one line.
std::string OneLine(std::string_view text);

}  // namespace ql::access
