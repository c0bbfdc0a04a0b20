#include "access/postgres/pg_errors.h"

#include "access/core/secret_text.h"
#include "access/core/sql_state.h"

namespace ql::access {

ErrorRecord PgFailure(const LibpqApi& api, const PGconn* connection, const PGresult* result,
                      const std::vector<std::string>& secrets) {
  std::string description;
  std::string state;
  if (result != nullptr) {
    const char* primary = api.resultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    const char* detail = api.resultErrorField(result, PG_DIAG_MESSAGE_DETAIL);
    const char* sqlState = api.resultErrorField(result, PG_DIAG_SQLSTATE);
    if (primary != nullptr) description = primary;
    if (detail != nullptr) description += std::string(" DETAIL: ") + detail;
    if (sqlState != nullptr) state = sqlState;
    if (description.empty()) description = api.resultErrorMessage(result);
  }
  if (description.empty()) description = api.errorMessage(connection);
  description = WithoutSecrets(OneLine(description), secrets);
  if (description.empty()) description = "The server gave no reason.";
  if (!state.empty()) description += " (SQLSTATE " + state + ")";
  return {MapSqlState(state), kPostgresSource, std::move(description)};
}

ErrorRecord PgConnectionFailure(const LibpqApi& api, const PGconn* connection, const std::vector<std::string>& secrets,
                                std::string_view doing) {
  std::string message = WithoutSecrets(OneLine(api.errorMessage(connection)), secrets);
  if (message.empty()) message = std::string(doing) + " failed, and libpq gave no reason.";
  return {kProviderFailed, kPostgresSource, std::move(message)};
}

bool FindServerState(std::string_view message, std::string& state, std::string& text) {
  for (std::size_t at = message.find(":  "); at != std::string_view::npos; at = message.find(":  ", at + 1)) {
    const std::string_view rest = message.substr(at + 3);
    if (rest.size() < 7 || rest.substr(5, 2) != ": ") continue;
    bool code = true;
    for (char c : rest.substr(0, 5)) code = code && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'));
    if (!code) continue;
    state = std::string(rest.substr(0, 5));
    const std::string_view line = rest.substr(7);
    text = std::string(line.substr(0, line.find('\n')));
    return true;
  }
  return false;
}

}  // namespace ql::access
