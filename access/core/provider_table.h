#pragma once
// The providers the layer knows, one entry each, and which of them a connection string names.
//
// Each entry is defined in its provider's folder (<p>_provider.cpp) and only declared here, so that
// this machinery never includes a provider's header: the list below names the entries, and the
// link finds them. A provider built on another (the Access and SQL Server providers open their
// sessions through the ODBC provider) reaches it through its entry here, not through its files.
// Only the layer's factory (access/data_access.cpp) resolves connection strings; the face does not
// show this table.

#include <span>
#include <string_view>

#include "access/core/connection_string.h"
#include "access/core/provider.h"

namespace ql::access {

extern const ProviderEntry kSqliteProvider;      // access/sqlite
extern const ProviderEntry kOdbcProvider;        // access/odbc
extern const ProviderEntry kPostgresProvider;    // access/postgres
extern const ProviderEntry kMariadbProvider;     // access/mariadb
extern const ProviderEntry kAccessFileProvider;  // access/mdb, over the ODBC provider
extern const ProviderEntry kSqlServerProvider;   // access/mdb, over the ODBC provider

// Every entry, in the order `ver` and --version name their libraries.
std::span<const ProviderEntry* const> Providers();

// Raises kProviderNotFound (through `errors`) for a provider name no entry holds. Without a Provider
// key, the driver manager's own keys (Driver, DSN, FileDSN) choose the ODBC provider and anything
// else SQLite, the pairs passing as they are. A user name or password given apart from the string
// fill in "User ID" and "Password" unless the string has them.
ResolvedProvider ResolveProvider(const ConnectionString& pairs, std::string_view user, std::string_view password,
                                 ErrorList& errors);

// The connection string as typed. One that an entry claims (a PostgreSQL or MariaDB URI) goes to
// that entry as it stands, before any reading of it as key=value pairs; anything else is read as
// pairs and resolved as above, a piece without '=' being refused (kProviderFailed) rather than
// taken for a key with no value.
ResolvedProvider ResolveProvider(std::string_view text, std::string_view user, std::string_view password,
                                 ErrorList& errors);

}  // namespace ql::access
