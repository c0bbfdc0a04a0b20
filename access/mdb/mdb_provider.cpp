#include <memory>

#include "access/core/provider_table.h"
#include "access/mdb/mdb_keys.h"
#include "access/mdb/mdb_session.h"

namespace ql::access {
namespace {

// A SQL Server session is an ODBC session of the FreeTDS driver; its own opener, so that the
// opener names the provider chosen.
std::unique_ptr<ProviderSession> OpenSqlServerSession(const ConnectionString& pairs,
                                                      std::shared_ptr<ErrorList> errors) {
  return kOdbcProvider.open(pairs, std::move(errors));
}

}  // namespace

// Access files through the MDBTools ODBC driver, read-only.
constinit const ProviderEntry kAccessFileProvider{
    .names = {"Microsoft.Jet.OLEDB.4.0", "Microsoft.Jet.OLEDB", "Microsoft.ACE.OLEDB.12.0", "Microsoft.ACE.OLEDB.16.0",
              "Microsoft.ACE.OLEDB"},
    .open = &OpenAccessFileSession,
    .translate = &AccessFileKeys,
};

// SQL Server through the FreeTDS ODBC driver.
constinit const ProviderEntry kSqlServerProvider{
    .names = {"SQLOLEDB", "SQLOLEDB.1", "SQLNCLI", "SQLNCLI10", "SQLNCLI11", "MSOLEDBSQL", "MSOLEDBSQL19"},
    .open = &OpenSqlServerSession,
    .translate = &SqlServerKeys,
};

}  // namespace ql::access
