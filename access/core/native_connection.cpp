#include "access/core/native_connection.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/core/layer_error.h"
#include "access/core/native_errors.h"
#include "access/core/native_recordset.h"
#include "access/core/session_host.h"

namespace ql::access {
namespace {

constexpr std::string_view kObject = "Connection";

bool IsAbsentArgument(const Variant& value) { return value.IsMissing() || value.Type() == VT_EMPTY; }

class NativeConnection final : public Connection, public SessionHost {
 public:
  explicit NativeConnection(ProviderResolver resolve) : resolve_(resolve) {}
  ~NativeConnection() override { interruptTarget_.store(nullptr); }

  // Opening an open connection closes it first.
  void Open(std::string_view connectionString, std::string_view user, std::string_view password,
            std::int32_t) override {
    if (session_) Close();
    errors_->Clear();
    const ResolvedProvider provider = resolve_(connectionString, user, password, *errors_);
    std::unique_ptr<ProviderSession> session = provider.open(provider.pairs, errors_);
    if (!session) errors_->Raise(kProviderFailed, std::string(kObject), "The provider opened no session.");
    session_ = std::move(session);
    interruptTarget_.store(session_.get());
  }

  std::int32_t State() override { return session_ ? kStateOpen : kStateClosed; }

  void Close() override {
    if (!session_) RaiseLayerError(kObjectClosed, kObject);
    for (const auto& weak : cursors_) {
      if (auto cursor = weak.lock()) cursor->Close();
    }
    cursors_.clear();
    interruptTarget_.store(nullptr);
    session_.reset();
  }

  Ref<Errors> GetErrors() override { return MakeNativeErrors(errors_); }

  Ref<Recordset> OpenSchema(SchemaKind schema, const Variant& restrictions, const Variant& schemaId) override {
    ProviderSession& session = Session();
    // Every table and catalog is listed; narrowing the list by restrictions is not offered.
    if (!IsAbsentArgument(restrictions) || !IsAbsentArgument(schemaId)) {
      RaiseLayerError(kNotSupported, kObject);
    }
    errors_->Clear();
    return MakeNativeRecordset(Start(session.OpenSchema(schema)));
  }

  void Interrupt() noexcept override {
    if (ProviderSession* session = interruptTarget_.load()) session->Interrupt();
  }

  std::shared_ptr<StaticCursor> Run(std::string_view sql) override {
    ProviderSession& session = Session();
    errors_->Clear();
    std::unique_ptr<ProviderCursor> rows = session.Execute(sql);
    if (!rows) return nullptr;
    return Start(std::move(rows));
  }

 private:
  ProviderSession& Session() {
    if (!session_) RaiseLayerError(kConnectionUnusable, kObject);
    return *session_;
  }

  std::shared_ptr<StaticCursor> Start(std::unique_ptr<ProviderCursor> rows) {
    auto cursor = std::make_shared<StaticCursor>(session_, errors_, std::move(rows));
    std::erase_if(cursors_, [](const std::weak_ptr<StaticCursor>& weak) { return weak.expired(); });
    cursors_.push_back(cursor);
    return cursor;
  }

  const ProviderResolver resolve_;
  std::shared_ptr<ErrorList> errors_ = std::make_shared<ErrorList>();
  std::shared_ptr<ProviderSession> session_;
  // What Interrupt reaches: a plain atomic pointer, since a signal handler may call it while the
  // session is being replaced.
  std::atomic<ProviderSession*> interruptTarget_{nullptr};
  std::vector<std::weak_ptr<StaticCursor>> cursors_;
};

}  // namespace

Ref<Connection> MakeNativeConnection(ProviderResolver resolve) { return MakeRef<NativeConnection>(resolve); }

}  // namespace ql::access
