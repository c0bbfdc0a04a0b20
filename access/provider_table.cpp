#include "access/provider_table.h"

#include <array>
#include <string>

#include "access/odbc/odbc_provider.h"
#include "access/sqlite/sqlite_provider.h"

namespace ql::access {
namespace {

struct KeyRename {
  std::string_view from;
  std::string_view to;
};

struct ProviderRow {
  std::array<std::string_view, 4> names;  // unused places stay empty
  SessionOpener open;
  std::array<KeyRename, 4> renames;
};

// A row: the Provider names it answers to (compared without regard to case), the opener, and how
// OLE DB key names become the opener's own.
constexpr ProviderRow kProviders[] = {
    {{"SQLite"}, &OpenSqliteSession, {}},
    {{"MSDASQL", "MSDASQL.1"},
     &OpenOdbcSession,
     {{{"Data Source", "DSN"}, {"User ID", "UID"}, {"Password", "PWD"}}}},
    // Reserved: Microsoft.Jet.OLEDB.4.0 and Microsoft.ACE.OLEDB.12.0 onto the MDBTools ODBC driver
    // (Data Source as DBQ, read-only), and SQLOLEDB, SQLNCLI, SQLNCLI11 and MSOLEDBSQL onto FreeTDS
    // (Data Source as Server, Initial Catalog as Database, User ID and Password as UID and PWD).
    // Each is one more row here: its names, an opener that sets the driver, and its renames.
};

// Without a Provider key, the driver manager's own keys choose ODBC, and anything else SQLite.
constexpr std::array kOdbcKeys{std::string_view("Driver"), std::string_view("DSN"), std::string_view("FileDSN")};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

ConnectionString Translate(const ConnectionString& pairs, const std::array<KeyRename, 4>& renames) {
  ConnectionString result;
  for (const auto& [key, value] : pairs.Pairs()) {
    if (SameName(key, "Provider")) continue;
    std::string name = key;
    for (const KeyRename& rename : renames) {
      if (!rename.from.empty() && SameName(key, rename.from)) name = rename.to;
    }
    result.Set(std::move(name), value);
  }
  return result;
}

}  // namespace

ResolvedProvider ResolveProvider(const ConnectionString& given, std::string_view user,
                                 std::string_view password, ErrorList& errors) {
  ConnectionString pairs = given;
  if (!user.empty() && !pairs.Has("User ID")) pairs.Set("User ID", std::string(user));
  if (!password.empty() && !pairs.Has("Password")) pairs.Set("Password", std::string(password));

  const std::optional<std::string> name = pairs.Find("Provider");
  if (!name || name->empty()) {
    for (std::string_view key : kOdbcKeys) {
      if (pairs.Has(key)) return {&OpenOdbcSession, Translate(pairs, {})};
    }
    return {&OpenSqliteSession, Translate(pairs, {})};
  }
  for (const ProviderRow& row : kProviders) {
    for (std::string_view candidate : row.names) {
      if (!candidate.empty() && SameName(*name, candidate)) return {row.open, Translate(pairs, row.renames)};
    }
  }
  errors.Raise(kProviderNotFound, "Connection",
               "Provider not found: \"" + *name + "\" is not a provider this program knows.");
}

}  // namespace ql::access
