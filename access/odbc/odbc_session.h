#pragma once
// An open ODBC connection as a provider session.

#include <memory>
#include <string_view>

#include "access/odbc/odbc_link.h"
#include "access/core/provider.h"

namespace ql::access {

class OdbcSession final : public ProviderSession {
 public:
  // Connects as the pairs say; raises the driver manager's or the driver's diagnostics on failure.
  OdbcSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors);

  std::unique_ptr<ProviderCursor> Execute(std::string_view sql) override;
  std::unique_ptr<ProviderCursor> OpenSchema(SchemaKind schema) override;
  void Interrupt() noexcept override;
  bool Lost() const override { return link_->lost; }

 private:
  OdbcHandle NewStatement();

  std::shared_ptr<OdbcLink> link_;
};

}  // namespace ql::access
