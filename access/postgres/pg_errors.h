#pragma once
// A PostgreSQL failure as the layer reports it: the server's (or libpq's) message with its
// SQLSTATE, the code the shared SQLSTATE table gives it, and no password anywhere in it.

#include <string>
#include <string_view>
#include <vector>

#include "access/core/error_list.h"
#include "access/postgres/pg_library.h"

namespace ql::access {

// The source of every PostgreSQL report.
inline constexpr const char* kPostgresSource = "PostgreSQL";

// The failure `result` reports, with its SQLSTATE and the server's detail; the connection's message
// when the result is null or says nothing.
ErrorRecord PgFailure(const LibpqApi& api, const PGconn* connection, const PGresult* result,
                      const std::vector<std::string>& secrets);

// A failure found on the connection itself; `doing` names the work when libpq gives no reason.
ErrorRecord PgConnectionFailure(const LibpqApi& api, const PGconn* connection, const std::vector<std::string>& secrets,
                                std::string_view doing);

// The SQLSTATE and the server's message in a verbose connection failure, which reads
// "...failed: FATAL:  28P01: password authentication failed for user ...".
bool FindServerState(std::string_view message, std::string& state, std::string& text);

}  // namespace ql::access
