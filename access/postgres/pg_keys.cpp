#include "access/postgres/pg_keys.h"

#include "access/ascii.h"
#include "access/core/host_list.h"

namespace ql::access {
namespace {

// OLE DB and ODBC names and the libpq keywords they stand for. The server's keys are handled apart.
constexpr KeyRename kRenames[] = {
    {"Port", "port"},
    {"Initial Catalog", "dbname"},
    {"Database", "dbname"},
    {"User ID", "user"},
    {"UID", "user"},
    {"User", "user"},
    {"Password", "password"},
    {"PWD", "password"},
    {"Connect Timeout", "connect_timeout"},
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

// One server or a list of them (SplitHostList), as libpq's host and port lists. Hosts without a port
// of their own get an empty place in the port list, which libpq fills with the default (or the Port
// key's value).
void PutServer(LibpqParams& params, std::string_view text) {
  const std::vector<HostPort> servers = SplitHostList(text);
  std::string hosts;
  std::string ports;
  bool anyPort = false;
  for (std::size_t i = 0; i < servers.size(); ++i) {
    if (i > 0) {
      hosts += ',';
      ports += ',';
    }
    hosts += servers[i].host;
    ports += servers[i].port;
    anyPort = anyPort || !servers[i].port.empty();
  }
  Put(params, "host", std::move(hosts));
  if (anyPort) Put(params, "port", std::move(ports));
}

// Adds `text` to `secrets`, and its percent-decoded form where that differs (libpq may quote either).
void AddSecret(std::string_view text, std::vector<std::string>& secrets) {
  if (text.empty()) return;
  secrets.emplace_back(text);
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto hex = [](char c) {
      return IsAsciiDigit(c)          ? c - '0'
             : (c >= 'a' && c <= 'f') ? c - 'a' + 10
             : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                      : -1;
    };
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      decoded += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  if (decoded != text) secrets.push_back(std::move(decoded));
}

// Every piece of a URI that may hold a password: what stands between the user's ':' and the last
// '@' before the host (a password may hold '@', which libpq would read as the end of the user
// part, so each piece between the '@'s counts as well), and each `password` parameter.
void AddUriSecrets(std::string_view uri, std::vector<std::string>& secrets) {
  const std::size_t scheme = uri.find("://");
  if (scheme == std::string_view::npos) return;
  const std::size_t start = scheme + 3;
  std::size_t end = uri.find_first_of("/?", start);
  if (end == std::string_view::npos) end = uri.size();
  const std::string_view authority = uri.substr(start, end - start);
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view userPart = authority.substr(0, at);
    if (const std::size_t colon = userPart.find(':'); colon != std::string_view::npos) {
      const std::string_view password = userPart.substr(colon + 1);
      AddSecret(password, secrets);
      for (std::size_t from = 0; from <= password.size();) {
        std::size_t next = password.find('@', from);
        if (next == std::string_view::npos) next = password.size();
        if (next - from < password.size()) AddSecret(password.substr(from, next - from), secrets);
        from = next + 1;
      }
    }
  }
  if (const std::size_t query = uri.find('?', start); query != std::string_view::npos) {
    std::string_view rest = uri.substr(query + 1);
    while (!rest.empty()) {
      const std::size_t amp = rest.find('&');
      const std::string_view parameter = rest.substr(0, amp);
      if (parameter.starts_with("password=")) AddSecret(parameter.substr(9), secrets);
      rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
    }
  }
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
      errors.Raise(kProviderFailed, "PostgreSQL", "\"" + key + "\" is not a connection setting PostgreSQL knows.");
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
  AddUriSecrets(TrimBlanks(uri), params.secrets);
  return params;
}

}  // namespace ql::access
