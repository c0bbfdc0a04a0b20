#include "access/mdb/mdb_keys.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "access/ascii.h"

namespace ql::access {
namespace {

constexpr std::string_view kMdbToolsDriver = "{MDBTools}";
constexpr std::string_view kFreeTdsDriver = "{FreeTDS}";
constexpr std::string_view kLoopback = "127.0.0.1";

// OLE DB names of the SQL Server providers and the FreeTDS names they become.
constexpr KeyRename kSqlServerRenames[] = {
    {"Initial Catalog", "Database"}, {"User ID", "UID"},         {"Password", "PWD"},
    {"Application Name", "APP"},     {"Workstation ID", "WSID"}, {"Current Language", "Language"},
    {"Packet Size", "PacketSize"},
};

// Keys that name the server; the last one given wins, as with any repeated key.
constexpr std::string_view kServerKeys[] = {"Data Source", "Server", "Address", "Addr", "Network Address"};

// Keys whose yes/no value asks for an encrypted connection.
constexpr std::string_view kEncryptKeys[] = {"Use Encryption for Data", "Encrypt"};

// Settings FreeTDS gets unless the string gives them: the protocol of SQL Server 2012 and later
// (older servers answer with their own), and text in the UTF-8 the rest of the program uses.
constexpr KeyRename kSqlServerDefaults[] = {{"TDS_Version", "7.4"}, {"ClientCharset", "UTF-8"}};

// Integrated Security and Encrypt take these for "no"; anything else asks for the feature.
bool IsNo(std::string_view value) {
  value = TrimBlanks(value);
  return value.empty() || EqualsIgnoringCase(value, "false") || EqualsIgnoringCase(value, "no") || value == "0";
}

struct ServerAddress {
  std::string server;  // host, or host\instance
  std::string port;    // empty: the driver's default, or the instance's as the server says
};

// "tcp:host\instance,port" and its shorter forms. "lpc:" (shared memory) means this machine.
ServerAddress ParseServer(std::string_view text, ErrorList& errors) {
  text = TrimBlanks(text);
  if (StartsWithIgnoringCase(text, "tcp:")) {
    text.remove_prefix(4);
  } else if (StartsWithIgnoringCase(text, "lpc:")) {
    text.remove_prefix(4);
  } else if (StartsWithIgnoringCase(text, "np:")) {
    errors.Raise(kProviderFailed, "SQL Server",
                 "Named pipes (\"np:\") cannot reach SQL Server from here: give the server as host, "
                 "host,port or host\\instance.");
  }
  ServerAddress address;
  if (const std::size_t comma = text.rfind(','); comma != std::string_view::npos) {
    const std::string_view port = TrimBlanks(text.substr(comma + 1));
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || number < 1 || number > 65535) {
      errors.Raise(kOutOfRange, "SQL Server",
                   "The port after the comma in \"" + std::string(text) + "\" must be a number from 1 to 65535.");
    }
    address.port = std::to_string(number);
    text = TrimBlanks(text.substr(0, comma));
  }
  std::string_view host = text;
  std::string_view instance;
  if (const std::size_t slash = text.find('\\'); slash != std::string_view::npos) {
    host = TrimBlanks(text.substr(0, slash));
    instance = TrimBlanks(text.substr(slash + 1));
  }
  address.server =
      host.empty() || host == "." || EqualsIgnoringCase(host, "(local)") ? std::string(kLoopback) : std::string(host);
  // Appended in place: no temporary string with the backslash prepended (GCC 12 at -O3 warns,
  // wrongly, that the copy inside such an operator+ overlaps itself).
  if (!instance.empty()) address.server.append(1, '\\').append(instance);
  return address;
}

}  // namespace

ConnectionString AccessFileKeys(const ConnectionString& oledb, ErrorList& errors) {
  std::optional<std::string> file = oledb.Find("Data Source");
  if (!file || TrimBlanks(*file).empty()) {
    errors.Raise(kProviderFailed, "Access",
                 "Data Source must name the Access database file, as in Data Source=/path/to/file.mdb.");
  }
  // The file is opened here and the driver gets its descriptor's name, so Data Source is only ever
  // a file name: braces that close say which, braces that do not are refused rather than guessed at.
  switch (oledb.Form("Data Source")) {
    case ValueForm::kBraced:
      file = ConnectionString::BracedText(*file);
      break;
    case ValueForm::kBadBraces:
      RaiseBadBraces("Data Source", "Access", errors);
    case ValueForm::kData:
      break;
  }
  ConnectionString keys;
  keys.Set("Driver", std::string(kMdbToolsDriver), ValueForm::kBraced);
  keys.Set("DBQ", *file);
  return keys;
}

ConnectionString SqlServerKeys(const ConnectionString& oledb, ErrorList& errors) {
  ConnectionString keys;
  keys.Set("Driver", std::string(kFreeTdsDriver), ValueForm::kBraced);
  // Without a server key the OLE DB providers reach the local server.
  keys.Set("Server", std::string(kLoopback));
  for (std::size_t i = 0; i < oledb.Pairs().size(); ++i) {
    const auto& [key, given] = oledb.Pairs()[i];
    const ValueForm form = oledb.FormAt(i);
    if (EqualsIgnoringCase(key, "Provider") || EqualsIgnoringCase(key, "Driver")) continue;
    // The keys read here are read for what they say; a braced one says what is inside its braces.
    const std::string value = form == ValueForm::kBraced ? ConnectionString::BracedText(given) : given;
    if (EqualsIgnoringCase(key, "Integrated Security")) {
      if (IsNo(value)) continue;
      errors.Raise(kNotSupported, "SQL Server",
                   "Integrated Security=" + value +
                       " logs in as the Windows user, and there is none here: give the User ID and "
                       "Password of a SQL Server login instead.");
    }
    if (IsOneOfIgnoringCase(key, kServerKeys)) {
      ServerAddress address = ParseServer(value, errors);
      keys.Set("Server", std::move(address.server));
      if (!address.port.empty()) keys.Set("Port", std::move(address.port));
      continue;
    }
    if (IsOneOfIgnoringCase(key, kEncryptKeys)) {
      if (!IsNo(value)) keys.Set("Encryption", "require");
      continue;
    }
    const std::string_view renamed = RenamedKey(key, kSqlServerRenames);
    keys.Set(renamed.empty() ? key : std::string(renamed), given, form);
  }
  for (const KeyRename& setting : kSqlServerDefaults) {
    if (!keys.Has(setting.from)) keys.Set(std::string(setting.from), std::string(setting.to));
  }
  return keys;
}

}  // namespace ql::access
