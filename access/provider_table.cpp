#include "access/provider_table.h"

#include <array>
#include <string>

#include "access/mdb/mdb_session.h"
#include "access/ascii.h"
#include "access/mariadb/mariadb_keys.h"
#include "access/mariadb/mariadb_provider.h"
#include "access/odbc/odbc_provider.h"
#include "access/postgres/pg_keys.h"
#include "access/postgres/pg_provider.h"
#include "access/mdb/mdb_keys.h"
#include "access/sqlite/sqlite_provider.h"

namespace ql::access {
namespace {

// Turns the pairs (the Provider key removed) into the opener's own, where plain renames do not do.
using KeyTranslation = ConnectionString (*)(const ConnectionString& pairs, ErrorList& errors);

struct ProviderRow {
  std::array<std::string_view, 8> names;  // unused places stay empty
  SessionOpener open;
  std::array<KeyRename, 4> renames;
  KeyTranslation translate = nullptr;  // when set, takes the place of the renames
};

// A row: the Provider names it answers to (compared without regard to case), the opener, and how
// OLE DB key names become the opener's own.
constexpr ProviderRow kProviders[] = {
    {{"SQLite"}, &OpenSqliteSession, {}},
    // PostgreSQL through libpq; the provider reads the OLE DB keys itself, knowing libpq's own.
    {{"PostgreSQL", "PostgreSQL.1"}, &OpenPostgresSession, {}},
    // MariaDB and MySQL through MariaDB Connector/C; the provider reads the OLE DB keys itself.
    {{"MariaDB", "MySQL"}, &OpenMariadbSession, {}},
    {{"MSDASQL", "MSDASQL.1"},
     &OpenOdbcSession,
     {{{"Data Source", "DSN"}, {"User ID", "UID"}, {"Password", "PWD"}}}},
    // Access files through the MDBTools ODBC driver, read-only.
    {{"Microsoft.Jet.OLEDB.4.0", "Microsoft.Jet.OLEDB", "Microsoft.ACE.OLEDB.12.0", "Microsoft.ACE.OLEDB.16.0",
      "Microsoft.ACE.OLEDB"},
     &OpenAccessFileSession,
     {},
     &AccessFileKeys},
    // SQL Server through the FreeTDS ODBC driver.
    {{"SQLOLEDB", "SQLOLEDB.1", "SQLNCLI", "SQLNCLI10", "SQLNCLI11", "MSOLEDBSQL", "MSOLEDBSQL19"},
     &OpenOdbcSession,
     {},
     &SqlServerKeys},
};

// Without a Provider key, the driver manager's own keys choose ODBC, and anything else SQLite.
constexpr std::array kOdbcKeys{std::string_view("Driver"), std::string_view("DSN"), std::string_view("FileDSN")};

ConnectionString Translate(const ConnectionString& pairs, const std::array<KeyRename, 4>& renames) {
  ConnectionString result;
  for (std::size_t i = 0; i < pairs.Pairs().size(); ++i) {
    const auto& [key, value] = pairs.Pairs()[i];
    if (EqualsIgnoringCase(key, "Provider")) continue;
    const std::string_view renamed = RenamedKey(key, renames);
    result.Set(renamed.empty() ? key : std::string(renamed), value, pairs.FormAt(i));
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
  // The rows' unused (empty) names match no name, as the name is not empty.
  for (const ProviderRow& row : kProviders) {
    if (!IsOneOfIgnoringCase(*name, row.names)) continue;
    if (row.translate != nullptr) return {row.open, row.translate(Translate(pairs, {}), errors)};
    return {row.open, Translate(pairs, row.renames)};
  }
  errors.Raise(kProviderNotFound, "Connection",
               "Provider not found: \"" + *name + "\" is not a provider this program knows.");
}

ResolvedProvider ResolveProvider(std::string_view text, std::string_view user, std::string_view password,
                                 ErrorList& errors) {
  if (IsPostgresUri(text)) {
    ConnectionString pairs;
    pairs.Set("URI", std::string(text));
    if (!user.empty()) pairs.Set("User ID", std::string(user));
    if (!password.empty()) pairs.Set("Password", std::string(password));
    return {&OpenPostgresUriSession, std::move(pairs)};
  }
  if (IsMariadbUri(text)) {
    ConnectionString pairs;
    pairs.Set("URI", std::string(text));
    if (!user.empty()) pairs.Set("User ID", std::string(user));
    if (!password.empty()) pairs.Set("Password", std::string(password));
    return {&OpenMariadbUriSession, std::move(pairs)};
  }
  const ConnectionString pairs = ConnectionString::Parse(text);
  if (pairs.PieceWithoutValue() && pairs.PieceFollowsPassword()) {
    errors.Raise(kProviderFailed, "Connection",
                 "Connection string not understood: the part after the password is not of the form key=value "
                 "(it is not shown: it may be part of the password). A password holding ';' is written in "
                 "quotes: Password='...'.");
  }
  if (const std::optional<std::string>& piece = pairs.PieceWithoutValue()) {
    errors.Raise(kProviderFailed, "Connection",
                 "Connection string not understood: \"" + *piece +
                     "\" is not of the form key=value. To open a file, write Data Source=" + *piece + ".");
  }
  return ResolveProvider(pairs, user, password, errors);
}

}  // namespace ql::access
