#include "access/odbc/odbc_keys.h"

#include <sqlext.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "access/ascii.h"

namespace ql::access {
namespace {

constexpr SQLUINTEGER kDefaultLoginTimeout = 15;
constexpr SQLUINTEGER kMaxLoginTimeout = 24 * 60 * 60;
constexpr std::string_view kTimeoutKey = "Connect Timeout";

struct DriverSetting {
  std::string_view key;
  std::string_view value;
};

// psqlODBC keeps one process-wide count of connections with the communication log on and one of
// those with it off; once the last connection is gone it falls back to the driver-wide CommLog of
// odbcinst.ini (on, on Debian) and logs the disconnect itself to a file in /tmp. Setting the
// driver's own CommLog attribute (65537) to 1 and back to 0 leaves the connection counted among
// those with the log off even after it closes (the reset clears the wrong field), so the count never
// returns to nothing and no file is opened. A later connection in the same process that asks for
// the log therefore does not get it.
void KeepPsqlodbcLogClosed(SQLHDBC connection) {
  constexpr SQLINTEGER kCommLogAttribute = 65537;
  SQLSetConnectAttr(connection, kCommLogAttribute, reinterpret_cast<SQLPOINTER>(1), 0);
  SQLSetConnectAttr(connection, kCommLogAttribute, reinterpret_cast<SQLPOINTER>(0), 0);
}

// MariaDB's driver lets a text hold several statements only with the bit MULTI_STATEMENTS of its
// OPTION (or OPTIONS) key set; without it a result without rows is the last of its text.
bool MariadbResultsFollowCounts(const ConnectionString& pairs) {
  constexpr std::uint64_t kMultiStatements = std::uint64_t{1} << 26;
  for (std::string_view key : {"OPTION", "OPTIONS"}) {
    const std::optional<std::string> value = pairs.Find(key);
    if (!value) continue;
    const std::string text = pairs.Form(key) == ValueForm::kBraced ? ConnectionString::BracedText(*value) : *value;
    std::uint64_t bits = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bits);
    if (error == std::errc() && end == text.data() + text.size()) return (bits & kMultiStatements) != 0;
  }
  return false;
}

// Settings a driver gets unless the user's string names the key, by a part of the driver's library
// file name; the driver's own key for the login timeout where it does not take it from
// SQL_ATTR_LOGIN_TIMEOUT; what to do once connected, unless the string names `afterConnectKey`; and
// whether it may be asked for a result after one without rows (always, where null).
struct DriverDefaults {
  std::string_view library;
  std::vector<DriverSetting> settings;
  std::string_view loginTimeoutKey;
  std::string_view afterConnectKey;
  void (*afterConnect)(SQLHDBC);
  bool (*resultsFollowCounts)(const ConnectionString&);
};

const std::vector<DriverDefaults>& DefaultsTable() {
  static const std::vector<DriverDefaults> table = {
      // psqlODBC: Debian's driver configuration turns the communication log on, which leaves a
      // file in /tmp per connection. Booleans come as SQL_BIT rather than as text. A query's rows
      // come through a server-side cursor 1000 at a time instead of all at once into the driver's
      // memory, where they would be held a second time beside the recordset's own copy; a result
      // not yet read to its end keeps the transaction around that cursor open on the server.
      {"psqlodbc",
       {{"CommLog", "0"}, {"Debug", "0"}, {"BoolsAsChar", "0"}, {"UseDeclareFetch", "1"}, {"Fetch", "1000"}},
       {},
       "CommLog",
       &KeepPsqlodbcLogClosed,
       nullptr},
      // MariaDB's driver waits for a silent server's greeting for ever unless told otherwise.
      {"maodbc", {}, "CONN_TIMEOUT", {}, nullptr, &MariadbResultsFollowCounts},
      // The SQLite driver falls back to a DSN's trace file when the string gives an empty one.
      {"sqlite3odbc", {{"Tracefile", "/dev/null"}}, {}, {}, nullptr, nullptr},
      {"sqliteodbc", {{"Tracefile", "/dev/null"}}, {}, {}, nullptr, nullptr},
  };
  return table;
}

// A value is braced for the driver whenever the driver could read it otherwise than as it is: the
// driver manager splits at ';' and reads braces, drivers trim blanks, and psqlODBC URL-decodes a
// bare value ('+' and "%xx"). Inside braces a '}' is doubled.
std::string ValueForDriver(const std::string& value) {
  const bool plain = value.find_first_of(";{}=+%'\" \t\r\n") == std::string::npos;
  if (plain) return value;
  std::string braced = "{";
  for (char c : value) {
    braced += c;
    if (c == '}') braced += '}';
  }
  return braced + "}";
}

// The driver name a DSN stands for, from the driver manager's list of data sources.
std::string DriverOfDataSource(SQLHENV environment, std::string_view dsn) {
  SQLCHAR name[SQL_MAX_DSN_LENGTH + 1];
  SQLCHAR description[512];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT descriptionLength = 0;
  for (SQLUSMALLINT direction = SQL_FETCH_FIRST;
       SQL_SUCCEEDED(SQLDataSources(environment, direction, name, sizeof name, &nameLength, description,
                                    sizeof description, &descriptionLength));
       direction = SQL_FETCH_NEXT) {
    if (EqualsIgnoringCase(reinterpret_cast<const char*>(name), dsn)) return reinterpret_cast<const char*>(description);
  }
  return {};
}

// The library file of an installed driver, from its "Driver=" attribute.
std::string LibraryOfDriver(SQLHENV environment, std::string_view driver) {
  SQLCHAR name[512];
  SQLCHAR attributes[2048];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT attributesLength = 0;
  for (SQLUSMALLINT direction = SQL_FETCH_FIRST; SQL_SUCCEEDED(SQLDrivers(
           environment, direction, name, sizeof name, &nameLength, attributes, sizeof attributes, &attributesLength));
       direction = SQL_FETCH_NEXT) {
    if (!EqualsIgnoringCase(reinterpret_cast<const char*>(name), driver)) continue;
    // The attributes are "key=value" texts one after the other, each ending in NUL, the list in a
    // second NUL.
    const char* at = reinterpret_cast<const char*>(attributes);
    const char* end = at + sizeof attributes;
    while (at < end && *at != '\0') {
      const std::string_view pair(at, ::strnlen(at, static_cast<std::size_t>(end - at)));
      if (pair.size() > 7 && EqualsIgnoringCase(pair.substr(0, 7), "Driver=")) return std::string(pair.substr(7));
      at += pair.size() + 1;
    }
    return {};
  }
  return {};
}

DriverIdentity IdentifyDriver(const ConnectionString& pairs, SQLHENV environment) {
  DriverIdentity driver;
  if (const auto name = pairs.Find("Driver")) {
    driver.name = ConnectionString::BracedText(*name);
  } else if (const auto dsn = pairs.Find("DSN")) {
    driver.name = DriverOfDataSource(environment, ConnectionString::BracedText(*dsn));
  }
  if (driver.name.find('/') != std::string::npos) {
    driver.library = driver.name;
  } else if (!driver.name.empty()) {
    driver.library = LibraryOfDriver(environment, driver.name);
  }
  if (driver.name.empty()) driver.name = "ODBC";
  return driver;
}

SQLUINTEGER ParseTimeout(const std::string& text, ErrorList& errors) {
  std::string_view digits(text);
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
  SQLUINTEGER seconds = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || seconds > kMaxLoginTimeout) {
    errors.Raise(kOutOfRange, "ODBC",
                 "Connect Timeout must be a whole number of seconds from 0 to " + std::to_string(kMaxLoginTimeout) +
                     ", not \"" + text + "\".");
  }
  return seconds;
}

constexpr KeyRename kOleDbRenames[] = {{"Data Source", "DSN"}, {"User ID", "UID"}, {"Password", "PWD"}};

}  // namespace

ConnectionString OdbcOleDbKeys(const ConnectionString& oledb, ErrorList&) {
  ConnectionString keys;
  for (std::size_t i = 0; i < oledb.Pairs().size(); ++i) {
    const auto& [key, value] = oledb.Pairs()[i];
    const std::string_view renamed = RenamedKey(key, kOleDbRenames);
    keys.Set(renamed.empty() ? key : std::string(renamed), value, oledb.FormAt(i));
  }
  return keys;
}

ConnectRequest MakeConnectRequest(const ConnectionString& pairs, SQLHENV environment, ErrorList& errors) {
  return MakeConnectRequest(pairs, IdentifyDriver(pairs, environment), errors);
}

ConnectRequest MakeConnectRequest(const ConnectionString& pairs, DriverIdentity driver, ErrorList& errors) {
  ConnectRequest request{{}, std::move(driver), kDefaultLoginTimeout, nullptr, true};
  const auto append = [&request](std::string_view key, const std::string& value, ValueForm form) {
    if (!request.text.empty()) request.text += ';';
    request.text.append(key);
    request.text += '=';
    request.text += form == ValueForm::kBraced ? value : ValueForDriver(value);
  };
  for (std::size_t i = 0; i < pairs.Pairs().size(); ++i) {
    const auto& [key, value] = pairs.Pairs()[i];
    const ValueForm form = pairs.FormAt(i);
    if (form == ValueForm::kBadBraces) RaiseBadBraces(key, "ODBC", errors);
    if (EqualsIgnoringCase(key, kTimeoutKey)) {
      request.loginTimeout =
          ParseTimeout(form == ValueForm::kBraced ? ConnectionString::BracedText(value) : value, errors);
    } else {
      append(key, value, form);
    }
  }
  for (const DriverDefaults& row : DefaultsTable()) {
    if (request.driver.library.find(row.library) == std::string::npos) continue;
    for (const DriverSetting& setting : row.settings) {
      if (!pairs.Has(setting.key)) append(setting.key, std::string(setting.value), ValueForm::kData);
    }
    if (!row.loginTimeoutKey.empty() && !pairs.Has(row.loginTimeoutKey)) {
      append(row.loginTimeoutKey, std::to_string(request.loginTimeout), ValueForm::kData);
    }
    if (row.afterConnect != nullptr && !pairs.Has(row.afterConnectKey)) request.afterConnect = row.afterConnect;
    if (row.resultsFollowCounts != nullptr) request.resultsFollowCounts = row.resultsFollowCounts(pairs);
  }
  return request;
}

}  // namespace ql::access
