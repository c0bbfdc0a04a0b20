#pragma once
// A test double of the data-access objects: connections and recordsets that hold rows of any
// VARTYPE, and fail on demand at any named call ("Recordset.Eof", "Field.Value", ...).

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/data_access.h"

namespace ql::fake {

struct Table {
  std::vector<std::string> columns;
  std::vector<std::vector<access::Variant>> rows;
};

// Every call on a fake object, in order; destroyed objects log "Connection.~" or "Recordset.~".
class Calls {
 public:
  // The occurrence-th call of `name` from now on (1 for the next) raises `error`.
  void FailAt(const std::string& name, int occurrence, access::DataAccessError error);
  // Logs the call and raises what was planned for it.
  void Enter(const std::string& name);
  void Log(const std::string& name) { log_.push_back(name); }

  const std::vector<std::string>& Log() const { return log_; }
  int Count(const std::string& name) const;
  void ClearLog() { log_.clear(); }

 private:
  struct Failure {
    std::string name;
    int when;
    access::DataAccessError error;
  };
  std::map<std::string, int> counts_;
  std::vector<Failure> failures_;
  std::vector<std::string> log_;
};

class Connection;
class Recordset;

class Objects : public access::ObjectFactory {
 public:
  access::Ref<access::Connection> CreateConnection() override;
  access::Ref<access::Recordset> CreateRecordset() override;

  // A recordset standing on the first of these rows, not made through the factory.
  std::shared_ptr<Recordset> OpenRecordset(Table table);

  Calls calls;
  // What a statement gives; a table without columns stands for a statement that returns no rows.
  // Any other statement fails with 0x80040E14.
  std::map<std::string, Table> results;
  // The newest object the factory made, while someone still holds it.
  std::shared_ptr<Connection> LastConnection() const { return lastConnection_.lock(); }
  std::shared_ptr<Recordset> LastRecordset() const { return lastRecordset_.lock(); }

 private:
  std::weak_ptr<Connection> lastConnection_;
  std::weak_ptr<Recordset> lastRecordset_;
};

struct ErrorEntry {
  std::int32_t number;
  std::string description;
};

class Connection : public access::Connection {
 public:
  explicit Connection(Calls& calls) : calls_(calls) {}
  ~Connection() override { calls_.Log("Connection.~"); }

  void Open(std::string_view connectionString, std::string_view user, std::string_view password,
            std::int32_t options) override;
  std::int32_t State() override;
  void Close() override;
  access::Ref<access::Errors> GetErrors() override;
  access::Ref<access::Recordset> OpenSchema(access::SchemaKind schema, const access::Variant& restrictions,
                                            const access::Variant& schemaId) override;
  void Interrupt() noexcept override { ++interrupts; }

  std::string openedWith;
  std::vector<ErrorEntry> errors;
  // The rows of each schema; a kind not listed gives no rowset at all (and no error).
  std::map<access::SchemaKind, Table> schemas;
  // The State the schema rowsets report once their rows are read; 1 (open) unless set.
  std::int32_t schemaState = access::kStateOpen;
  int interrupts = 0;
  std::int32_t state = access::kStateClosed;

 private:
  Calls& calls_;
};

class Recordset : public access::Recordset {
 public:
  Recordset(Calls& calls, const std::map<std::string, Table>* results) : calls_(calls), results_(results) {}
  ~Recordset() override { calls_.Log("Recordset.~"); }

  void Open(std::string_view source, const access::Ref<access::Connection>& activeConnection,
            access::CursorType cursor, access::LockType lock, std::int32_t options) override;
  std::int32_t State() override;
  void Close() override;
  bool Bof() override;
  bool Eof() override;
  void MoveFirst() override;
  void MoveNext() override;
  std::int32_t RecordCount() override;
  access::Ref<access::Fields> GetFields() override;

  // Opens on these rows, standing on the first.
  void Load(Table table);
  // Stands before the first row: BOF true, EOF false (when there are rows).
  void PlaceBeforeFirst() { cursor_->position = -1; }

  std::string source;
  // What State reports from now on, whatever the recordset's own state.
  std::optional<std::int32_t> reportedState;

  struct Cursor {
    Table table;
    long position = 0;  // -1 before the first row, rows.size() after the last
    std::int32_t state = access::kStateClosed;
  };

 private:
  void RequireOpen();

  Calls& calls_;
  const std::map<std::string, Table>* results_;
  std::shared_ptr<Cursor> cursor_ = std::make_shared<Cursor>();
};

}  // namespace ql::fake
