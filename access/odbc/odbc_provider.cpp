#include <sqlext.h>

#include <cstring>

#include "access/core/provider_table.h"
#include "access/odbc/odbc_handle.h"
#include "access/odbc/odbc_keys.h"
#include "access/odbc/odbc_session.h"

namespace ql::access {
namespace {

// Connects with SQLDriverConnect; `pairs` are the driver manager's keys (DSN, Driver, UID, PWD, ...).
std::unique_ptr<ProviderSession> OpenOdbcSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors) {
  return std::make_unique<OdbcSession>(pairs, std::move(errors));
}

// "unixODBC 2.3.11"; empty when the driver manager cannot tell.
std::string OdbcVersion() {
  const OdbcHandle environment = OdbcHandle::Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
  if (!environment) return {};
  char version[64] = {};
  SQLINTEGER length = 0;
  if (!SQL_SUCCEEDED(SQLGetEnvAttr(environment.Get(), SQL_ATTR_UNIXODBC_VERSION, version, sizeof version, &length))) {
    return {};
  }
  const std::size_t size = ::strnlen(version, sizeof version);
  return size == 0 ? std::string() : "unixODBC " + std::string(version, size);
}

}  // namespace

// Any driver the driver manager knows, its OLE DB keys renamed to the driver manager's.
constinit const ProviderEntry kOdbcProvider{
    .names = {"MSDASQL", "MSDASQL.1"},
    .open = &OpenOdbcSession,
    .translate = &OdbcOleDbKeys,
    .version = &OdbcVersion,
};

}  // namespace ql::access
