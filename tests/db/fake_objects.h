#pragma once
// A test double of the data-access objects: connections and recordsets that hold rows of any
// VARTYPE, and fail on demand at any named call ("Recordset.Eof", "Field.Value", ...). Beyond the
// failures planned for it, it raises what the layer raises for the same calls (fake_objects_test
// runs the same calls on both), so that a test passing on it would pass on the layer.

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

// The rows a recordset stands on. A recordset's fields keep the cursor they were taken from, which
// its recordset closes when it closes, opens another statement or loses its connection.
struct Cursor {
  Table table;
  long position = 0;  // -1 before the first row, rows.size() after the last
  std::int32_t state = access::kStateClosed;
  bool readToEnd = false;  // every row has been reached (by a move past the last, or a count)
};

class Objects : public access::ObjectFactory {
 public:
  access::Ref<access::Connection> CreateConnection() override;
  access::Ref<access::Recordset> CreateRecordset() override;

  // A recordset standing on the first of these rows, not made through the factory.
  std::shared_ptr<Recordset> OpenRecordset(Table table);

  Calls calls;
  // What a statement gives; a table without columns stands for a statement that returns no rows.
  // Any other statement fails with kStatementError.
  std::map<std::string, Table> results;
  // The results that wait behind a statement's first, in order.
  std::map<std::string, std::vector<Table>> behind;
  // What Describe gives on each connection made from now on.
  std::vector<access::ConnectionFact> facts;
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

  std::vector<access::ServerMessage> TakeMessages() override;
  std::int64_t RecordsAffected() override;
  std::vector<access::ConnectionFact> Describe() override;
  bool IsLost() override { return lost; }

  std::string openedWith;
  std::vector<ErrorEntry> errors;
  // What TakeMessages hands over (and empties), RecordsAffected tells and Describe gives.
  std::vector<access::ServerMessage> messages;
  std::int64_t affected = -1;
  std::vector<access::ConnectionFact> facts;
  // The rows of each schema; a kind not listed gives no rowset at all (and no error), which the
  // layer never does: it stands for a provider that hands back nothing.
  std::map<access::SchemaKind, Table> schemas;
  // The kColumns rowset of each table, by the name given as its restriction; a name not listed has
  // no rows, as a table that does not exist.
  std::map<std::string, Table> columns;
  // The State the schema rowsets report once their rows are read; 1 (open) unless set.
  std::int32_t schemaState = access::kStateOpen;
  int interrupts = 0;
  std::int32_t state = access::kStateClosed;
  // What IsLost tells: set by a test whose planned failure stands for a link that went.
  bool lost = false;

 private:
  friend class Recordset;

  Calls& calls_;
  // The cursors of the recordsets opened on this connection, which its Close closes.
  std::vector<std::weak_ptr<Cursor>> cursors_;
};

class Recordset : public access::Recordset {
 public:
  Recordset(Calls& calls, const std::map<std::string, Table>* results,
            const std::map<std::string, std::vector<Table>>* behind = nullptr)
      : calls_(calls), results_(results), behind_(behind) {}
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
  // As the layer counts them: once the current result is read to its end, or has no rows.
  std::int32_t ResultsWaiting() override;
  bool OpenNextResult() override;

  // Opens on these rows, standing on the first.
  void Load(Table table);
  // Stands before the first row: BOF true, EOF false (when there are rows).
  void PlaceBeforeFirst() { cursor_->position = -1; }

  std::string source;
  // What State reports from now on, whatever the recordset's own state.
  std::optional<std::int32_t> reportedState;

 private:
  void RequireOpen();

  Calls& calls_;
  const std::map<std::string, Table>* results_;
  const std::map<std::string, std::vector<Table>>* behind_;
  std::shared_ptr<Cursor> cursor_ = std::make_shared<Cursor>();
  std::vector<Table> waiting_;  // the results behind the current one, the next one last
};

}  // namespace ql::fake
