#pragma once
// An open ODBC connection as a provider session.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "access/core/provider.h"
#include "access/odbc/odbc_link.h"
#include "access/odbc/odbc_statement.h"

namespace ql::access {

class OdbcSession final : public ProviderSession {
 public:
  // Connects as the pairs say; raises the driver manager's or the driver's diagnostics on failure.
  OdbcSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors);

  std::unique_ptr<ProviderCursor> Execute(std::string_view sql) override;
  std::unique_ptr<ProviderCursor> OpenSchema(SchemaKind schema) override;
  std::unique_ptr<ProviderCursor> OpenColumns(std::string_view table) override;
  void Interrupt() noexcept override;
  std::int64_t RowsAffected() const override { return affected_; }
  bool NextResult(std::unique_ptr<ProviderCursor>& rows) override;
  std::vector<ServerMessage> TakeMessages() override { return link_->messages.Take(); }
  std::vector<ConnectionFact> Describe() override;
  bool Lost() const override { return link_->lost; }

 private:
  OdbcHandle NewStatement();

  std::shared_ptr<OdbcLink> link_;
  // The statement of the text run last, while results of it may follow the current one.
  std::shared_ptr<OdbcStatement> results_;
  std::int64_t affected_ = -1;
  // For Describe: the driver as the string or data source names it, and the host and port the
  // string gives, for drivers that do not tell them.
  std::string driverName_;
  std::string host_;
  std::string port_;
};

}  // namespace ql::access
