#include "access/core/native_connection.h"

#include <atomic>
#include <deque>
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
    ForgetResults();
    interruptTarget_.store(nullptr);
    session_.reset();
  }

  Ref<Errors> GetErrors() override { return MakeNativeErrors(errors_); }

  Ref<Recordset> OpenSchema(SchemaKind schema, const Variant& restrictions, const Variant& schemaId) override {
    ProviderSession& session = Session();
    if (!IsAbsentArgument(schemaId)) RaiseLayerError(kNotSupported, kObject);
    // Columns are listed for the one table the restriction names; every table and catalog is listed,
    // as narrowing those lists by restrictions is not offered.
    if (schema == SchemaKind::kColumns) {
      if (restrictions.Type() != VT_BSTR) RaiseLayerError(kInvalidArgument, kObject);
      FreeSession();
      errors_->Clear();
      std::unique_ptr<ProviderCursor> columns = session.OpenColumns(restrictions.ToText());
      if (!columns) RaiseLayerError(kNotSupported, kObject);
      return MakeNativeRecordset(Start(std::move(columns)));
    }
    if (!IsAbsentArgument(restrictions)) RaiseLayerError(kNotSupported, kObject);
    FreeSession();
    errors_->Clear();
    return MakeNativeRecordset(Start(session.OpenSchema(schema)));
  }

  void Interrupt() noexcept override {
    if (ProviderSession* session = interruptTarget_.load()) session->Interrupt();
  }

  std::vector<ServerMessage> TakeMessages() override {
    return session_ ? session_->TakeMessages() : std::vector<ServerMessage>{};
  }

  std::int64_t RecordsAffected() override { return affected_; }

  std::vector<ConnectionFact> Describe() override { return Session().Describe(); }

  bool IsLost() override { return session_ && session_->Lost(); }

  std::shared_ptr<StaticCursor> Run(std::string_view sql) override {
    ProviderSession& session = Session();
    FreeSession();
    errors_->Clear();
    ForgetResults();
    std::unique_ptr<ProviderCursor> rows = session.Execute(sql);
    if (!rows) {
      affected_ = session.RowsAffected();
      gathered_ = true;
      return nullptr;
    }
    std::shared_ptr<StaticCursor> cursor = Start(std::move(rows));
    current_ = cursor;
    return cursor;
  }

  std::int32_t ResultsWaiting(const StaticCursor* current) override {
    // Exhausted first: it is asked after every command, and it answers without locking anything.
    if (current != nullptr && (!current->Exhausted() || current != current_.lock().get())) return 0;
    Gather();
    return static_cast<std::int32_t>(waiting_.size());
  }

  bool NextResult(StaticCursor* current, std::shared_ptr<StaticCursor>& rows) override {
    if (current != nullptr) {
      if (current != current_.lock().get()) return false;
      current->RecordCount();
    }
    Gather();
    if (waiting_.empty()) return false;
    rows = std::move(waiting_.front().rows);
    affected_ = waiting_.front().affected;
    waiting_.pop_front();
    current_ = rows;
    return true;
  }

 private:
  ProviderSession& Session() {
    if (!session_) RaiseLayerError(kConnectionUnusable, kObject);
    return *session_;
  }

  // Before another statement runs on the session: the rest of a result still on its way is read
  // into its cursor's store, so that the result stays whole and the session is free. (Read into the
  // store, a result takes about the room of its data; kept by the provider, many times that.)
  void FreeSession() {
    for (const auto& weak : cursors_) {
      if (auto cursor = weak.lock(); cursor && cursor->HoldsSession()) cursor->SetAside();
    }
  }

  // Once the current result is read to its end, reads every result the session has left for the
  // same text, so that they can be counted: rows into cursors of their own, counts as they are.
  void Gather() {
    if (gathered_ || !session_) return;
    gathered_ = true;
    std::unique_ptr<ProviderCursor> rows;
    while (session_->NextResult(rows)) {
      WaitingResult result;
      if (rows) {
        result.rows = Start(std::move(rows));
        result.rows->RecordCount();
      } else {
        result.affected = session_->RowsAffected();
      }
      waiting_.push_back(std::move(result));
    }
  }

  void ForgetResults() noexcept {
    waiting_.clear();
    current_.reset();
    gathered_ = false;
    affected_ = -1;
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

  // The results of the text last run: the one a recordset stands on, and those behind it.
  struct WaitingResult {
    std::shared_ptr<StaticCursor> rows;  // null for a result without rows
    std::int64_t affected = -1;
  };
  std::weak_ptr<StaticCursor> current_;
  std::deque<WaitingResult> waiting_;
  bool gathered_ = false;  // the session has no further result of that text
  std::int64_t affected_ = -1;
};

}  // namespace

Ref<Connection> MakeNativeConnection(ProviderResolver resolve) { return MakeRef<NativeConnection>(resolve); }

}  // namespace ql::access
