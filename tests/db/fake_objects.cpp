#include "tests/db/fake_objects.h"

#include <utility>

#include "access/ascii.h"

namespace ql {

namespace fake {

using access::DataAccessError;
using access::Ref;

void Calls::FailAt(const std::string& name, int occurrence, DataAccessError error) {
  failures_.push_back({name, counts_[name] + occurrence, std::move(error)});
}

void Calls::Enter(const std::string& name) {
  log_.push_back(name);
  const int count = ++counts_[name];
  for (const Failure& failure : failures_) {
    if (failure.name == name && failure.when == count) throw failure.error;
  }
}

int Calls::Count(const std::string& name) const {
  int count = 0;
  for (const std::string& entry : log_) count += entry == name;
  return count;
}

namespace {

class Field : public access::Field {
 public:
  Field(Calls& calls, std::shared_ptr<Cursor> cursor, std::size_t column)
      : calls_(calls), cursor_(std::move(cursor)), column_(column) {}

  std::string_view Name() override {
    calls_.Enter("Field.Name");
    return cursor_->table.columns[column_];
  }

  access::Variant Value() override {
    calls_.Enter("Field.Value");
    if (cursor_->state == access::kStateClosed) throw DataAccessError(access::kObjectClosed, "Fake", "closed");
    if (cursor_->position < 0 || cursor_->position >= static_cast<long>(cursor_->table.rows.size())) {
      throw DataAccessError(access::kNoCurrentRecord, "Fake", "no current record");
    }
    return cursor_->table.rows[static_cast<std::size_t>(cursor_->position)][column_];
  }

 private:
  Calls& calls_;
  std::shared_ptr<Cursor> cursor_;
  std::size_t column_;
};

class Fields : public access::Fields {
 public:
  Fields(Calls& calls, std::shared_ptr<Cursor> cursor) : calls_(calls), cursor_(std::move(cursor)) {}

  std::int32_t Count() override {
    calls_.Enter("Fields.Count");
    return static_cast<std::int32_t>(cursor_->table.columns.size());
  }

  Ref<access::Field> Item(std::int32_t index) override {
    calls_.Enter("Fields.Item");
    if (index < 0 || static_cast<std::size_t>(index) >= cursor_->table.columns.size()) NotFound();
    return access::MakeRef<Field>(calls_, cursor_, static_cast<std::size_t>(index));
  }

  Ref<access::Field> Item(std::string_view name) override {
    calls_.Enter("Fields.Item");
    const auto& columns = cursor_->table.columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (access::EqualsIgnoringCase(columns[i], name)) return access::MakeRef<Field>(calls_, cursor_, i);
    }
    NotFound();
  }

 private:
  [[noreturn]] static void NotFound() { throw DataAccessError(access::kItemNotFound, "Fake", "no such item"); }

  Calls& calls_;
  std::shared_ptr<Cursor> cursor_;
};

class Error : public access::Error {
 public:
  Error(Calls& calls, ErrorEntry entry) : calls_(calls), entry_(std::move(entry)) {}
  std::int32_t Number() override {
    calls_.Enter("Error.Number");
    return entry_.number;
  }
  std::string Source() override {
    calls_.Enter("Error.Source");
    return "Fake";
  }
  std::string Description() override {
    calls_.Enter("Error.Description");
    return entry_.description;
  }

 private:
  Calls& calls_;
  ErrorEntry entry_;
};

class Errors : public access::Errors {
 public:
  Errors(Calls& calls, std::vector<ErrorEntry> entries) : calls_(calls), entries_(std::move(entries)) {}
  std::int32_t Count() override {
    calls_.Enter("Errors.Count");
    return static_cast<std::int32_t>(entries_.size());
  }
  Ref<access::Error> Item(std::int32_t index) override {
    calls_.Enter("Errors.Item");
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) {
      throw DataAccessError(access::kItemNotFound, "Fake", "no such error");
    }
    return access::MakeRef<Error>(calls_, entries_[static_cast<std::size_t>(index)]);
  }

 private:
  Calls& calls_;
  std::vector<ErrorEntry> entries_;
};

}  // namespace

Ref<access::Connection> Objects::CreateConnection() {
  calls.Enter("CreateConnection");
  auto connection = std::make_shared<Connection>(calls);
  connection->facts = facts;
  lastConnection_ = connection;
  return Ref<Connection>(std::move(connection));
}

Ref<access::Recordset> Objects::CreateRecordset() {
  calls.Enter("CreateRecordset");
  auto recordset = std::make_shared<Recordset>(calls, &results, &behind);
  lastRecordset_ = recordset;
  return Ref<Recordset>(std::move(recordset));
}

std::shared_ptr<Recordset> Objects::OpenRecordset(Table table) {
  auto recordset = std::make_shared<Recordset>(calls, &results);
  recordset->Load(std::move(table));
  return recordset;
}

void Connection::Open(std::string_view connectionString, std::string_view, std::string_view,
                      std::int32_t) {
  calls_.Enter("Connection.Open");
  openedWith = connectionString;
  state = access::kStateOpen;
}

std::int32_t Connection::State() {
  calls_.Enter("Connection.State");
  return state;
}

void Connection::Close() {
  calls_.Enter("Connection.Close");
  if (state == access::kStateClosed) throw DataAccessError(access::kObjectClosed, "Fake", "already closed");
  state = access::kStateClosed;
  for (const std::weak_ptr<Cursor>& weak : cursors_) {
    if (const std::shared_ptr<Cursor> cursor = weak.lock()) cursor->state = access::kStateClosed;
  }
  cursors_.clear();
}

Ref<access::Errors> Connection::GetErrors() {
  calls_.Enter("Connection.Errors");
  return access::MakeRef<Errors>(calls_, errors);
}

std::vector<access::ServerMessage> Connection::TakeMessages() {
  calls_.Enter("Connection.TakeMessages");
  return std::exchange(messages, {});
}

std::int64_t Connection::RecordsAffected() {
  calls_.Enter("Connection.RecordsAffected");
  return affected;
}

std::vector<access::ConnectionFact> Connection::Describe() {
  calls_.Enter("Connection.Describe");
  if (state == access::kStateClosed) throw DataAccessError(access::kConnectionUnusable, "Fake", "closed");
  return facts;
}

Ref<access::Recordset> Connection::OpenSchema(access::SchemaKind schema, const access::Variant& restrictions,
                                              const access::Variant& schemaId) {
  calls_.Enter("Connection.OpenSchema");
  if (state == access::kStateClosed) throw DataAccessError(access::kConnectionUnusable, "Fake", "closed");
  // An empty value counts as no argument.
  const auto absent = [](const access::Variant& value) { return value.IsMissing() || value.Type() == access::VT_EMPTY; };
  if (schema == access::SchemaKind::kColumns && restrictions.Type() == access::VT_BSTR && absent(schemaId)) {
    auto rows = std::make_shared<Recordset>(calls_, nullptr);
    const auto found = columns.find(restrictions.Bytes());
    rows->Load(found != columns.end()
                   ? found->second
                   : Table{{"COLUMN_NAME", "TYPE_NAME", "COLUMN_SIZE", "IS_NULLABLE", "COLUMN_DEFAULT"}, {}});
    return Ref<Recordset>(std::move(rows));
  }
  if (!absent(restrictions) || !absent(schemaId)) {
    throw DataAccessError(access::kNotSupported, "Fake", "restrictions given");
  }
  const auto found = schemas.find(schema);
  if (found == schemas.end()) return nullptr;
  auto rows = std::make_shared<Recordset>(calls_, nullptr);
  rows->Load(found->second);
  if (schemaState != access::kStateOpen) rows->reportedState = schemaState;
  return Ref<Recordset>(std::move(rows));
}

void Recordset::Load(Table table) {
  cursor_->table = std::move(table);
  cursor_->position = 0;
  cursor_->state = access::kStateOpen;
  cursor_->readToEnd = cursor_->table.rows.empty();
}

void Recordset::RequireOpen() {
  if (cursor_->state == access::kStateClosed) throw DataAccessError(access::kObjectClosed, "Fake", "closed");
}

void Recordset::Open(std::string_view text, const Ref<access::Connection>& activeConnection,
                     access::CursorType, access::LockType, std::int32_t options) {
  calls_.Enter("Recordset.Open");
  access::Connection& connection = activeConnection.Get();
  // What was open is closed first, whatever becomes of the new statement.
  cursor_->state = access::kStateClosed;
  cursor_ = std::make_shared<Cursor>();
  if (options != access::kCmdText && options != -1) throw DataAccessError(access::kNotSupported, "Fake", "not text");
  if (connection.State() == access::kStateClosed) {
    throw DataAccessError(access::kConnectionUnusable, "Fake", "connection not open");
  }
  if (auto* fake = dynamic_cast<Connection*>(&connection)) fake->cursors_.push_back(cursor_);
  source = text;
  waiting_.clear();
  const Table* result = nullptr;
  if (results_ != nullptr) {
    const auto found = results_->find(source);
    if (found != results_->end()) result = &found->second;
  }
  if (result == nullptr) throw DataAccessError(access::kStatementError, "Fake", "cannot run: " + source);
  if (!result->columns.empty()) Load(*result);
  if (behind_ != nullptr) {
    const auto found = behind_->find(source);
    if (found != behind_->end()) waiting_.assign(found->second.rbegin(), found->second.rend());
  }
}

std::int32_t Recordset::ResultsWaiting() {
  calls_.Enter("Recordset.ResultsWaiting");
  const bool read = cursor_->state == access::kStateClosed || cursor_->readToEnd;
  return read ? static_cast<std::int32_t>(waiting_.size()) : 0;
}

bool Recordset::OpenNextResult() {
  calls_.Enter("Recordset.OpenNextResult");
  if (waiting_.empty()) return false;
  const Table next = std::move(waiting_.back());
  waiting_.pop_back();
  cursor_->state = access::kStateClosed;
  cursor_ = std::make_shared<Cursor>();
  if (!next.columns.empty()) Load(next);
  return true;
}

std::int32_t Recordset::State() {
  calls_.Enter("Recordset.State");
  return reportedState.value_or(cursor_->state);
}

void Recordset::Close() {
  calls_.Enter("Recordset.Close");
  // Fields taken before the close keep the closed cursor; closing a closed recordset does nothing.
  cursor_->state = access::kStateClosed;
  cursor_ = std::make_shared<Cursor>();
}

bool Recordset::Bof() {
  calls_.Enter("Recordset.Bof");
  RequireOpen();
  return cursor_->position < 0 || cursor_->table.rows.empty();
}

bool Recordset::Eof() {
  calls_.Enter("Recordset.Eof");
  RequireOpen();
  return cursor_->position >= static_cast<long>(cursor_->table.rows.size());
}

void Recordset::MoveFirst() {
  calls_.Enter("Recordset.MoveFirst");
  RequireOpen();
  if (cursor_->table.rows.empty()) throw DataAccessError(access::kNoCurrentRecord, "Fake", "empty");
  cursor_->position = 0;
}

void Recordset::MoveNext() {
  calls_.Enter("Recordset.MoveNext");
  RequireOpen();
  if (cursor_->position >= static_cast<long>(cursor_->table.rows.size())) {
    throw DataAccessError(access::kNoCurrentRecord, "Fake", "at the end");
  }
  ++cursor_->position;
  if (cursor_->position >= static_cast<long>(cursor_->table.rows.size())) cursor_->readToEnd = true;
}

std::int32_t Recordset::RecordCount() {
  calls_.Enter("Recordset.RecordCount");
  RequireOpen();
  cursor_->readToEnd = true;
  return static_cast<std::int32_t>(cursor_->table.rows.size());
}

Ref<access::Fields> Recordset::GetFields() {
  calls_.Enter("Recordset.Fields");
  RequireOpen();
  return access::MakeRef<Fields>(calls_, cursor_);
}

}  // namespace fake

}  // namespace ql
