#include "access/core/native_recordset.h"

#include "access/core/layer_error.h"
#include "access/core/native_fields.h"
#include "access/core/session_host.h"

namespace ql::access {
namespace {

constexpr std::string_view kObject = "Recordset";

// Every cursor type and lock type is served by the static cursor, which is read-only; the options
// say how to read the source, and only text is supported.
class NativeRecordset final : public Recordset {
 public:
  NativeRecordset() = default;
  explicit NativeRecordset(std::shared_ptr<StaticCursor> cursor) { Attach(std::move(cursor)); }

  void Open(std::string_view source, const Ref<Connection>& activeConnection, CursorType, LockType,
            std::int32_t options) override {
    Connection& connection = activeConnection.Get();
    if (State() != kStateClosed) Close();
    if (options != kCmdText && options != -1) RaiseLayerError(kNotSupported, kObject);
    auto* host = dynamic_cast<SessionHost*>(&connection);
    // A connection made elsewhere offers no session this recordset could use.
    if (host == nullptr) RaiseLayerError(kConnectionUnusable, kObject);
    host_ = activeConnection.Shared();
    Attach(host->Run(source));
  }

  std::int32_t ResultsWaiting() override {
    // Asked after every command: a result not read to its end has none waiting yet, which is
    // known without reaching the connection.
    if (cursor_ && !cursor_->Exhausted()) return 0;
    SessionHost* host = Host();
    return host != nullptr ? host->ResultsWaiting(cursor_.get()) : 0;
  }

  bool OpenNextResult() override {
    SessionHost* host = Host();
    std::shared_ptr<StaticCursor> rows;
    if (host == nullptr || !host->NextResult(cursor_.get(), rows)) return false;
    Close();
    Attach(std::move(rows));
    return true;
  }

  std::int32_t State() override { return cursor_ && cursor_->IsOpen() ? kStateOpen : kStateClosed; }

  void Close() override {
    if (cursor_) cursor_->Close();
    cursor_.reset();
    fields_.reset();
  }

  bool Bof() override { return Cursor().Bof(); }
  bool Eof() override { return Cursor().Eof(); }
  void MoveFirst() override { Cursor().MoveFirst(); }
  void MoveNext() override { Cursor().MoveNext(); }
  std::int32_t RecordCount() override { return Cursor().RecordCount(); }
  void StreamRows() override { Cursor().Stream(); }

  RowView ReadRow() override {
    StaticCursor& cursor = Cursor();
    return {cursor.ColumnNames(), cursor.Row()};
  }

  Ref<Fields> GetFields() override {
    Cursor();
    return fields_;
  }

 private:
  void Attach(std::shared_ptr<StaticCursor> cursor) {
    if (!cursor) return;
    fields_ = MakeNativeFields(cursor);
    cursor_ = std::move(cursor);
  }

  // The connection the recordset was last opened on, while it is open.
  SessionHost* Host() {
    const std::shared_ptr<Connection> connection = host_.lock();
    if (!connection || connection->State() != kStateOpen) return nullptr;
    return dynamic_cast<SessionHost*>(connection.get());
  }

  // The open cursor; kObjectClosed when the recordset is closed or its connection closed it.
  StaticCursor& Cursor() {
    if (State() != kStateOpen) RaiseLayerError(kObjectClosed, kObject);
    return *cursor_;
  }

  std::shared_ptr<StaticCursor> cursor_;
  std::shared_ptr<Fields> fields_;
  // Not owned: a recordset does not keep its connection alive.
  std::weak_ptr<Connection> host_;
};

}  // namespace

Ref<Recordset> MakeNativeRecordset() { return MakeRef<NativeRecordset>(); }

Ref<Recordset> MakeNativeRecordset(std::shared_ptr<StaticCursor> cursor) {
  return MakeRef<NativeRecordset>(std::move(cursor));
}

}  // namespace ql::access
