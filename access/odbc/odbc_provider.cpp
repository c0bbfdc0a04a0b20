#include "access/odbc/odbc_provider.h"

namespace ql::access {

std::unique_ptr<ProviderSession> OpenOdbcSession(const ConnectionString&,
                                                 std::shared_ptr<ErrorList> errors) {
  errors->Raise(kNotSupported, "ODBC", "The ODBC provider is not built yet.");
}

std::string OdbcVersion() { return {}; }

}  // namespace ql::access
