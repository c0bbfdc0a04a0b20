#include "access/mariadb/mariadb_keys.h"

#include <mysql.h>
#include <string.h>

#include <charconv>
#include <limits>
#include <optional>

#include "access/ascii.h"
#include "access/core/host_list.h"

namespace ql::access {
namespace {

constexpr const char* kSource = "MariaDB";

constexpr std::string_view kServerKeys[] = {"Data Source", "Server", "Host"};
constexpr std::string_view kPortKeys[] = {"Port"};
constexpr std::string_view kDatabaseKeys[] = {"Initial Catalog", "Database"};
constexpr std::string_view kUserKeys[] = {"User ID", "UID", "User"};
constexpr std::string_view kPasswordKeys[] = {"Password", "PWD"};
constexpr std::string_view kTimeoutKeys[] = {"Connect Timeout", "connect-timeout", "connect_timeout"};
constexpr std::string_view kSocketKeys[] = {"socket", "unix-socket", "unix_socket"};
// Keys of OLE DB strings that say nothing to this connection; they are accepted and dropped.
constexpr std::string_view kIgnoredKeys[] = {"Persist Security Info"};

constexpr std::string_view kUriSchemes[] = {"mariadb://", "mysql://"};

struct OptionRow {
  std::string_view name;  // as Connector/C documents it for option files; '-' and '_' alike
  mysql_option option;
  MariadbOptionValue kind;
  bool secret = false;
};

constexpr OptionRow kOptions[] = {
    {"ssl-ca", MYSQL_OPT_SSL_CA, MariadbOptionValue::kText},
    {"ssl-capath", MYSQL_OPT_SSL_CAPATH, MariadbOptionValue::kText},
    {"ssl-cert", MYSQL_OPT_SSL_CERT, MariadbOptionValue::kText},
    {"ssl-key", MYSQL_OPT_SSL_KEY, MariadbOptionValue::kText},
    {"ssl-cipher", MYSQL_OPT_SSL_CIPHER, MariadbOptionValue::kText},
    {"ssl-crl", MYSQL_OPT_SSL_CRL, MariadbOptionValue::kText},
    {"ssl-crlpath", MYSQL_OPT_SSL_CRLPATH, MariadbOptionValue::kText},
    {"ssl-fp", MARIADB_OPT_SSL_FP, MariadbOptionValue::kText},
    {"ssl-fp-list", MARIADB_OPT_SSL_FP_LIST, MariadbOptionValue::kText},
    {"ssl-fplist", MARIADB_OPT_SSL_FP_LIST, MariadbOptionValue::kText},
    {"ssl-passphrase", MARIADB_OPT_TLS_PASSPHRASE, MariadbOptionValue::kText, true},
    {"ssl-verify-server-cert", MYSQL_OPT_SSL_VERIFY_SERVER_CERT, MariadbOptionValue::kBool},
    {"ssl-enforce", MYSQL_OPT_SSL_ENFORCE, MariadbOptionValue::kBool},
    {"tls-version", MARIADB_OPT_TLS_VERSION, MariadbOptionValue::kText},
    {"default-character-set", MYSQL_SET_CHARSET_NAME, MariadbOptionValue::kText},
    {"charset", MYSQL_SET_CHARSET_NAME, MariadbOptionValue::kText},
    {"compress", MYSQL_OPT_COMPRESS, MariadbOptionValue::kSwitch},
    {"local-infile", MYSQL_OPT_LOCAL_INFILE, MariadbOptionValue::kUnsignedFlag},
    {"init-command", MYSQL_INIT_COMMAND, MariadbOptionValue::kText},
    {"read-timeout", MYSQL_OPT_READ_TIMEOUT, MariadbOptionValue::kUnsigned},
    {"write-timeout", MYSQL_OPT_WRITE_TIMEOUT, MariadbOptionValue::kUnsigned},
    {"max-allowed-packet", MYSQL_OPT_MAX_ALLOWED_PACKET, MariadbOptionValue::kUnsignedLong},
    {"net-buffer-length", MYSQL_OPT_NET_BUFFER_LENGTH, MariadbOptionValue::kUnsignedLong},
    {"bind-address", MYSQL_OPT_BIND, MariadbOptionValue::kText},
    {"plugin-dir", MYSQL_PLUGIN_DIR, MariadbOptionValue::kText},
    {"default-auth", MYSQL_DEFAULT_AUTH, MariadbOptionValue::kText},
    {"server-public-key", MYSQL_SERVER_PUBLIC_KEY, MariadbOptionValue::kText},
};

// Equal but for case, '-' and '_' counting as the same.
bool SameOptionName(std::string_view key, std::string_view name) {
  if (key.size() != name.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char k = key[i] == '_' ? '-' : AsciiLower(key[i]);
    if (k != name[i]) return false;
  }
  return true;
}

[[noreturn]] void Refuse(ErrorList& errors, std::string message) {
  errors.Raise(kProviderFailed, kSource, std::move(message));
}

template <class Number>
std::optional<Number> Digits(std::string_view text) {
  text = TrimBlanks(text);
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || !IsAsciiDigit(text.front()) || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<bool> Flag(std::string_view text) {
  text = TrimBlanks(text);
  for (std::string_view yes : {"1", "true", "yes", "on"}) {
    if (EqualsIgnoringCase(text, yes)) return true;
  }
  for (std::string_view no : {"0", "false", "no", "off"}) {
    if (EqualsIgnoringCase(text, no)) return false;
  }
  return std::nullopt;
}

unsigned int Port(std::string_view text, std::string_view key, ErrorList& errors) {
  const std::optional<unsigned int> port = Digits<unsigned int>(text);
  if (!port || *port == 0 || *port > 65535) {
    Refuse(errors, "The port given by \"" + std::string(key) + "\" is not a number from 1 to 65535.");
  }
  return *port;
}

void PutOption(MariadbLogin& login, const OptionRow& row, std::string value) {
  if (row.secret) login.secrets.push_back(value);
  for (MariadbOption& option : login.options) {
    if (option.option == row.option) {
      option.name = std::string(row.name);
      option.kind = row.kind;
      option.value = std::move(value);
      return;
    }
  }
  login.options.push_back({row.option, row.kind, std::string(row.name), std::move(value)});
}

// One host or a list of them (SplitHostList), or a path starting with '/', which names a Unix socket
// and stands alone. A list that gives a port replaces the Port key's, as the Port key, coming later,
// replaces the ports of a list.
void PutServer(MariadbLogin& login, std::string_view key, std::string_view text, ErrorList& errors) {
  text = TrimBlanks(text);
  if (text.starts_with('/')) {
    login.hosts.clear();
    login.unixSocket = std::string(text);
    return;
  }
  login.hosts.clear();
  for (const HostPort& server : SplitHostList(text)) {
    std::string_view host = server.host;
    // "[v6 address],port" keeps its brackets in the list's reading.
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host.starts_with('/')) {
      Refuse(errors, "The Unix socket named by \"" + std::string(key) + "\" cannot be one of several hosts.");
    }
    login.hosts.push_back({std::string(host), server.port.empty() ? 0 : Port(server.port, key, errors)});
    if (!server.port.empty()) login.port = 0;
  }
  // A single empty host is no host: the library's default.
  if (login.hosts.size() == 1 && login.hosts.front().name.empty() && login.hosts.front().port == 0) {
    login.hosts.clear();
  }
}

// One key of a string or a URI's query.
void PutKey(MariadbLogin& login, const std::string& key, const std::string& value, ErrorList& errors) {
  if (IsOneOfIgnoringCase(key, kIgnoredKeys)) return;
  if (IsOneOfIgnoringCase(key, kServerKeys)) return PutServer(login, key, value, errors);
  if (IsOneOfIgnoringCase(key, kPortKeys)) {
    login.port = Port(value, key, errors);
    for (MariadbHost& host : login.hosts) host.port = 0;
    return;
  }
  if (IsOneOfIgnoringCase(key, kDatabaseKeys)) {
    login.database = value;
    return;
  }
  if (IsOneOfIgnoringCase(key, kUserKeys)) {
    login.user = value;
    return;
  }
  if (IsOneOfIgnoringCase(key, kPasswordKeys)) {
    login.password = value;
    login.secrets.push_back(value);
    return;
  }
  if (IsOneOfIgnoringCase(key, kSocketKeys)) {
    login.unixSocket = value;
    return;
  }
  if (IsOneOfIgnoringCase(key, kTimeoutKeys)) {
    const std::optional<unsigned int> seconds = Digits<unsigned int>(value);
    if (!seconds) Refuse(errors, "\"" + key + "\" is not a whole number of seconds.");
    login.connectTimeout = *seconds;
    return;
  }
  for (const OptionRow& row : kOptions) {
    if (!SameOptionName(key, row.name)) continue;
    std::string checked = value;
    bool valid = true;
    switch (row.kind) {
      case MariadbOptionValue::kText:
        break;
      case MariadbOptionValue::kBool:
      case MariadbOptionValue::kSwitch:
      case MariadbOptionValue::kUnsignedFlag:
        if (const std::optional<bool> flag = Flag(value)) {
          checked = *flag ? "1" : "0";
        } else {
          valid = false;
        }
        break;
      case MariadbOptionValue::kUnsigned:
        if (const std::optional<unsigned int> number = Digits<unsigned int>(value)) {
          checked = std::to_string(*number);
        } else {
          valid = false;
        }
        break;
      case MariadbOptionValue::kUnsignedLong:
        if (const std::optional<unsigned long> number = Digits<unsigned long>(value)) {
          checked = std::to_string(*number);
        } else {
          valid = false;
        }
        break;
    }
    if (!valid) {
      const bool flag = row.kind != MariadbOptionValue::kUnsigned && row.kind != MariadbOptionValue::kUnsignedLong;
      Refuse(errors, "\"" + key + "\" takes " + (flag ? "1 or 0 (true or false)." : "a whole number."));
    }
    return PutOption(login, row, std::move(checked));
  }
  Refuse(errors, "\"" + key + "\" is not a connection setting MariaDB knows.");
}

const OptionRow& OptionNamed(std::string_view name) {
  for (const OptionRow& row : kOptions) {
    if (row.name == name) return row;
  }
  return kOptions[0];
}

// What every connection has unless its string says otherwise: text in UTF-8 (all of Unicode), and no
// file of this machine sent to a server that asks for one.
MariadbLogin DefaultLogin() {
  MariadbLogin login;
  PutOption(login, OptionNamed("default-character-set"), "utf8mb4");
  PutOption(login, OptionNamed("local-infile"), "0");
  return login;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Decoded(std::string_view text, ErrorList& errors) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
    if (high < 0 || low < 0) {
      explicit_bzero(out.data(), out.size());
      Refuse(errors, "The URI holds a '%' that is not followed by two hexadecimal digits; write a '%' as %25.");
    }
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

}  // namespace

void MariadbLogin::Wipe() noexcept {
  explicit_bzero(password.data(), password.size());
  for (std::string& secret : secrets) explicit_bzero(secret.data(), secret.size());
  for (MariadbOption& option : options) {
    if (option.option == MARIADB_OPT_TLS_PASSPHRASE) explicit_bzero(option.value.data(), option.value.size());
  }
}

MariadbLogin MariadbKeys(const ConnectionString& pairs, ErrorList& errors) {
  MariadbLogin login = DefaultLogin();
  for (const auto& [key, value] : pairs.Pairs()) PutKey(login, key, value, errors);
  return login;
}

bool IsMariadbUri(std::string_view text) {
  text = TrimBlanks(text);
  for (std::string_view scheme : kUriSchemes) {
    if (StartsWithIgnoringCase(text, scheme)) return true;
  }
  return false;
}

MariadbLogin MariadbUri(std::string_view uri, std::string_view user, std::string_view password, ErrorList& errors) {
  MariadbLogin login = DefaultLogin();
  std::string_view rest = TrimBlanks(uri);
  rest.remove_prefix(rest.find("://") + 3);
  const std::size_t authorityEnd = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, authorityEnd);
  rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);

  bool hasPassword = false;
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view userInfo = authority.substr(0, at);
    const std::size_t colon = userInfo.find(':');
    login.user = Decoded(userInfo.substr(0, colon), errors);
    if (colon != std::string_view::npos) {
      hasPassword = true;
      login.secrets.emplace_back(userInfo.substr(colon + 1));
      login.password = Decoded(userInfo.substr(colon + 1), errors);
      login.secrets.push_back(login.password);
    }
    authority.remove_prefix(at + 1);
  }
  if (login.user.empty()) login.user = std::string(user);
  if (!hasPassword) {
    login.password = std::string(password);
    login.secrets.emplace_back(password);
  }

  // The host as in a string's Server key, its parts decoded one by one.
  std::string_view port;
  std::string host;
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) Refuse(errors, "The URI's IPv6 address lacks its closing ']'.");
    host = Decoded(authority.substr(1, close - 1), errors);
    if (authority.substr(close + 1).starts_with(':')) port = authority.substr(close + 2);
  } else {
    const std::size_t colon = authority.rfind(':');
    host = Decoded(authority.substr(0, colon), errors);
    if (colon != std::string_view::npos) port = authority.substr(colon + 1);
  }
  if (!port.empty()) login.port = Port(port, "URI", errors);
  if (!host.empty()) login.hosts.push_back({std::move(host), 0});

  if (rest.starts_with('/')) {
    const std::size_t query = rest.find('?');
    login.database = Decoded(rest.substr(1, query == std::string_view::npos ? query : query - 1), errors);
    rest = query == std::string_view::npos ? std::string_view() : rest.substr(query);
  }
  if (rest.starts_with('?')) {
    rest.remove_prefix(1);
    while (!rest.empty()) {
      const std::size_t amp = rest.find('&');
      const std::string_view piece = rest.substr(0, amp);
      rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
      if (piece.empty()) continue;
      const std::size_t equals = piece.find('=');
      if (equals == std::string_view::npos)
        Refuse(errors, "A setting in the URI's query is not of the form key=value.");
      PutKey(login, Decoded(piece.substr(0, equals), errors), Decoded(piece.substr(equals + 1), errors), errors);
    }
  }
  return login;
}

}  // namespace ql::access
