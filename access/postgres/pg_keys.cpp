#include "access/postgres/pg_keys.h"

#include "access/ascii.h"

namespace ql::access {
namespace {

// OLE DB and ODBC names and the libpq keywords they stand for. The server's keys are handled apart.
constexpr KeyRename kRenames[] = {
    {"Port", "port"},          {"Initial Catalog", "dbname"}, {"Database", "dbname"},
    {"User ID", "user"},       {"UID", "user"},               {"User", "user"},
    {"Password", "password"},  {"PWD", "password"},           {"Connect Timeout", "connect_timeout"},
};

constexpr std::string_view kServerKeys[] = {"Data Source", "Server", "Host"};

// Keys of OLE DB strings that say nothing to a PostgreSQL connection; they are accepted and dropped.
constexpr std::string_view kIgnoredKeys[] = {"Persist Security Info"};

constexpr std::string_view kUriSchemes[] = {"postgresql://", "postgres://"};

void Put(LibpqParams& params, std::string_view keyword, std::string value) {
  for (std::size_t i = 0; i < params.keywords.size(); ++i) {
    if (params.keywords[i] == keyword) {
      params.values[i] = std::move(value);
      return;
    }
  }
  params.keywords.emplace_back(keyword);
  params.values.push_back(std::move(value));
}

// "host", "host,port", "host:port", "[v6 address]:port"; a text with several ':' and no brackets is
// an IPv6 address without a port. A socket directory ("/run/postgresql") has no ':' at all.
void PutServer(LibpqParams& params, std::string_view text) {
  text = TrimBlanks(text);
  std::string_view host = text;
  std::string_view port;
  if (const std::size_t comma = text.rfind(','); comma != std::string_view::npos) {
    host = text.substr(0, comma);
    port = text.substr(comma + 1);
  } else if (text.starts_with('[')) {
    if (const std::size_t close = text.find(']'); close != std::string_view::npos) {
      host = text.substr(1, close - 1);
      if (text.substr(close + 1).starts_with(':')) port = text.substr(close + 2);
    }
  } else if (const std::size_t colon = text.find(':');
             colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  Put(params, "host", std::string(TrimBlanks(host)));
  if (!port.empty()) Put(params, "port", std::string(TrimBlanks(port)));
}

}  // namespace

bool IsPostgresUri(std::string_view text) {
  text = TrimBlanks(text);
  for (std::string_view scheme : kUriSchemes) {
    if (text.starts_with(scheme)) return true;
  }
  return false;
}

LibpqParams PostgresKeys(const ConnectionString& pairs, const std::vector<std::string>& libpqKeywords,
                         ErrorList& errors) {
  LibpqParams params;
  Put(params, "connect_timeout", std::string(kDefaultConnectTimeout));
  Put(params, "client_encoding", "UTF8");
  for (const auto& [key, value] : pairs.Pairs()) {
    if (IsOneOfIgnoringCase(key, kIgnoredKeys)) continue;
    if (IsOneOfIgnoringCase(key, kServerKeys)) {
      PutServer(params, value);
      continue;
    }
    std::string_view keyword = RenamedKey(key, kRenames);
    for (const std::string& known : libpqKeywords) {
      if (keyword.empty() && EqualsIgnoringCase(key, known)) keyword = known;
    }
    if (keyword.empty()) {
      errors.Raise(kProviderFailed, "PostgreSQL",
                   "\"" + key + "\" is not a connection setting PostgreSQL knows.");
    }
    if (keyword == "password") params.secrets.push_back(value);
    Put(params, keyword, value);
  }
  return params;
}

LibpqParams PostgresUri(std::string_view uri, std::string_view user, std::string_view password) {
  LibpqParams params;
  // Settings before the URI's own, which replace them where it gives them.
  Put(params, "connect_timeout", std::string(kDefaultConnectTimeout));
  Put(params, "client_encoding", "UTF8");
  if (!user.empty()) Put(params, "user", std::string(user));
  if (!password.empty()) Put(params, "password", std::string(password));
  Put(params, "dbname", std::string(TrimBlanks(uri)));
  params.expandDbname = true;
  params.secrets.emplace_back(password);
  // The URI's own password: between the first ':' of the user part and the '@' that ends it.
  const std::string_view text = TrimBlanks(uri);
  const std::size_t start = text.find("://") + 3;
  const std::size_t at = text.find('@', start);
  const std::size_t slash = text.find('/', start);
  if (at != std::string_view::npos && (slash == std::string_view::npos || at < slash)) {
    const std::string_view userPart = text.substr(start, at - start);
    if (const std::size_t colon = userPart.find(':'); colon != std::string_view::npos) {
      params.secrets.emplace_back(userPart.substr(colon + 1));
    }
  }
  return params;
}

}  // namespace ql::access
