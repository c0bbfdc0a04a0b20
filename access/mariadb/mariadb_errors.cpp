#include "access/mariadb/mariadb_errors.h"

#include "access/core/secret_text.h"
#include "access/core/sql_state.h"

namespace ql::access {
namespace {

ErrorRecord Record(const char* message, const char* state, const std::vector<std::string>& secrets,
                   std::string_view doing) {
  std::string description = WithoutSecrets(OneLine(message != nullptr ? message : ""), secrets);
  if (description.empty()) description = std::string(doing) + " failed, and the server gave no reason.";
  const std::string sqlState = state != nullptr ? state : "";
  // "00000" is what the library reports when it has no state for a failure of its own.
  if (!sqlState.empty() && sqlState != "00000") description += " (SQLSTATE " + sqlState + ")";
  return {MapSqlState(sqlState), kMariadbSource, std::move(description)};
}

}  // namespace

ErrorRecord MariadbFailure(const MariadbApi& api, MYSQL* connection, const std::vector<std::string>& secrets,
                           std::string_view doing) {
  return Record(api.error(connection), api.sqlState(connection), secrets, doing);
}

ErrorRecord MariadbStatementFailure(const MariadbApi& api, MYSQL_STMT* statement,
                                    const std::vector<std::string>& secrets) {
  return Record(api.stmtError(statement), api.stmtSqlState(statement), secrets, "Listing the columns");
}

}  // namespace ql::access
