#pragma once
// What libpq is given to connect, from the OLE DB keys of a PostgreSQL connection string or
// from a PostgreSQL URI. Keys reach libpq as separate keyword and value pairs, never as a text built
// here, so no value can add a setting of its own.

#include <string>
#include <string_view>
#include <vector>

#include "access/core/connection_string.h"
#include "access/core/error_list.h"
#include "access/core/secret_text.h"

namespace ql::access {

struct LibpqParams {
  std::vector<std::string> keywords;
  std::vector<std::string> values;
  // True only for a URI, which libpq reads itself (as its dbname, expanded). For keys it stays false,
  // so a database name holding "host=..." is a name and nothing else.
  bool expandDbname = false;
  // The passwords given, so that no report shows them.
  std::vector<std::string> secrets;
};

// Seconds a connection attempt may take when the string does not say.
inline constexpr std::string_view kDefaultConnectTimeout = "15";

// True for a text that starts with "postgresql://" or "postgres://" (after blanks): a URI before it
// is anything else.
bool IsPostgresUri(std::string_view text);

// Data Source, Server or Host (with an optional ",port" or ":port"; "[v6 address]:port" for IPv6),
// Port, Initial Catalog or Database, User ID, UID or User, Password or PWD, Connect Timeout (15 when
// absent); any other key libpq knows (one of `libpqKeywords`, compared without regard to case) goes
// on under libpq's name. Text arrives as UTF-8 unless client_encoding says otherwise. Raises
// kProviderFailed for a key libpq does not know.
LibpqParams PostgresKeys(const ConnectionString& pairs, const std::vector<std::string>& libpqKeywords,
                         ErrorList& errors);

// The URI as it stands; a user name and password given apart from it fill in only what it lacks.
LibpqParams PostgresUri(std::string_view uri, std::string_view user, std::string_view password);

}  // namespace ql::access
