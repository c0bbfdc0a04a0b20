#pragma once
// A MariaDB failure as the layer reports it: the server's (or the library's) message with its
// SQLSTATE, the code the shared SQLSTATE table gives it, and no password anywhere in it.

#include <string>
#include <string_view>
#include <vector>

#include "access/core/error_list.h"
#include "access/mariadb/mariadb_library.h"

namespace ql::access {

// The source of every MariaDB report.
inline constexpr const char* kMariadbSource = "MariaDB";

// The failure the last call on `connection` left; `doing` names the work when the library gives no
// message.
ErrorRecord MariadbFailure(const MariadbApi& api, MYSQL* connection, const std::vector<std::string>& secrets,
                           std::string_view doing);

// The failure the last call on a prepared statement left.
ErrorRecord MariadbStatementFailure(const MariadbApi& api, MYSQL_STMT* statement,
                                    const std::vector<std::string>& secrets);

}  // namespace ql::access
