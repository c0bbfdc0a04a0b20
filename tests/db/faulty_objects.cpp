#include "tests/db/faulty_objects.h"

#include <deque>
#include <utility>

namespace ql::dbtest {
namespace {

using access::Ref;

class FaultyRecordset : public access::Recordset {
 public:
  FaultyRecordset(FaultyObjects& objects, Ref<access::Recordset> real) : objects_(objects), real_(std::move(real)) {}

  // The real recordset opens on the real connection: the layer's recordset runs its statement
  // through the connection's session, which a wrapper does not have.
  void Open(std::string_view source, const Ref<access::Connection>& activeConnection, access::CursorType cursor,
            access::LockType lock, std::int32_t options) override {
    objects_.Enter("Recordset.Open");
    auto* faulty = dynamic_cast<FaultyConnection*>(activeConnection.Shared().get());
    connection_ = faulty != nullptr ? faulty->Real() : activeConnection;
    const auto planted = objects_.behind.find(std::string(source));
    behind_.clear();
    readToEnd_ = false;
    real_->Open(source, connection_, cursor, lock, options);
    if (planted != objects_.behind.end()) behind_.assign(planted->second.begin(), planted->second.end());
  }
  std::int32_t State() override { return objects_.Enter("Recordset.State"), real_->State(); }
  void Close() override { objects_.Enter("Recordset.Close"), real_->Close(); }
  bool Bof() override { return objects_.Enter("Recordset.Bof"), real_->Bof(); }
  bool Eof() override {
    objects_.Enter("Recordset.Eof");
    const bool eof = real_->Eof();
    readToEnd_ = readToEnd_ || eof;
    return eof;
  }
  void MoveFirst() override { objects_.Enter("Recordset.MoveFirst"), real_->MoveFirst(); }
  void MoveNext() override { objects_.Enter("Recordset.MoveNext"), real_->MoveNext(); }
  std::int32_t RecordCount() override {
    objects_.Enter("Recordset.RecordCount");
    readToEnd_ = true;
    return real_->RecordCount();
  }
  Ref<access::Fields> GetFields() override { return objects_.Enter("Recordset.Fields"), real_->GetFields(); }
  access::RowView ReadRow() override {
    objects_.Enter("Recordset.ReadRow");
    const access::RowView row = real_->ReadRow();
    if (!objects_.plantedRow) return row;
    return {row.names, *objects_.plantedRow};
  }
  void StreamRows() override { real_->StreamRows(); }
  // The planted results are counted as the layer counts its own: once the current result is read.
  std::int32_t ResultsWaiting() override {
    objects_.Enter("Recordset.ResultsWaiting");
    const bool read = real_->State() == access::kStateClosed || readToEnd_;
    return read ? static_cast<std::int32_t>(behind_.size()) : real_->ResultsWaiting();
  }
  bool OpenNextResult() override {
    objects_.Enter("Recordset.OpenNextResult");
    if (behind_.empty()) return real_->OpenNextResult();
    const std::string next = std::move(behind_.front());
    behind_.pop_front();
    readToEnd_ = false;
    real_->Open(next, connection_, access::CursorType::kStatic, access::LockType::kReadOnly, access::kCmdText);
    return true;
  }

 private:
  FaultyObjects& objects_;
  Ref<access::Recordset> real_;
  Ref<access::Connection> connection_;
  std::deque<std::string> behind_;
  bool readToEnd_ = false;
};

}  // namespace

void FaultyObjects::FailAt(const std::string& name, int occurrence, access::DataAccessError error) {
  failures_.push_back({name, counts_[name] + occurrence, std::move(error)});
}

void FaultyObjects::Enter(const std::string& name) {
  const int count = ++counts_[name];
  for (const Failure& failure : failures_) {
    if (failure.name == name && failure.when == count) throw failure.error;
  }
}

Ref<access::Connection> FaultyObjects::CreateConnection() {
  Enter("CreateConnection");
  auto connection = std::make_shared<FaultyConnection>(*this, real_.CreateConnection());
  last_ = connection;
  return Ref<FaultyConnection>(std::move(connection));
}

Ref<access::Recordset> FaultyObjects::CreateRecordset() {
  Enter("CreateRecordset");
  return access::MakeRef<FaultyRecordset>(*this, real_.CreateRecordset());
}

Ref<access::Recordset> FaultyConnection::OpenSchema(access::SchemaKind schema, const access::Variant& restrictions,
                                                    const access::Variant& schemaId) {
  objects_.Enter("Connection.OpenSchema");
  return access::MakeRef<FaultyRecordset>(objects_, real_->OpenSchema(schema, restrictions, schemaId));
}

std::vector<access::ServerMessage> FaultyConnection::TakeMessages() {
  objects_.Enter("Connection.TakeMessages");
  std::vector<access::ServerMessage> taken = std::exchange(messages, {});
  for (access::ServerMessage& message : real_->TakeMessages()) taken.push_back(std::move(message));
  return taken;
}

}  // namespace ql::dbtest
