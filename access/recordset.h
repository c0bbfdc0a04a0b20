#pragma once
// The rows of one statement's result, held in a client-side static cursor.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "access/connection.h"
#include "access/fields.h"
#include "access/ref.h"

namespace ql::access {

enum class CursorType : std::int32_t { kForwardOnly = 0, kKeyset = 1, kDynamic = 2, kStatic = 3 };
enum class LockType : std::int32_t { kReadOnly = 1, kPessimistic = 2, kOptimistic = 3, kBatchOptimistic = 4 };
inline constexpr std::int32_t kCmdText = 1;

// The current row as ReadRow gives it: the names of the columns and the row's values, in column
// order. The names stay valid while the result is current; the values until the recordset moves,
// closes or opens another result.
struct RowView {
  std::span<const std::string> names;
  std::span<const Variant> values;
};

// An open recordset stands on its first row, or at BOF and EOF at once when the result is empty.
// Moves allowed (a refused move raises kNoCurrentRecord and leaves the position where it was):
// MoveFirst anywhere but on an empty result; MoveNext anywhere but at EOF. Every operation other
// than Open, Close, State, ResultsWaiting and OpenNextResult raises kObjectClosed on a closed recordset, including one
// whose connection was closed. Every cursor type is served by a read-only static cursor.
class Recordset {
 public:
  virtual ~Recordset() = default;

  // Runs the statement on the connection. A statement that returns no rows runs to completion and
  // leaves the recordset closed. Raises kAbsentObject for an absent connection and
  // kConnectionUnusable for a connection that is not open; an open recordset is closed first.
  virtual void Open(std::string_view source, const Ref<Connection>& activeConnection, CursorType cursor, LockType lock,
                    std::int32_t options) = 0;
  virtual std::int32_t State() = 0;
  virtual void Close() = 0;
  virtual bool Bof() = 0;
  virtual bool Eof() = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  // The number of rows; fetches whatever rows are still with the provider.
  virtual std::int32_t RecordCount() = 0;
  virtual Ref<Fields> GetFields() = 0;
  // The current row, every value in one go: for showing rows, where taking a field at a time would
  // cost a call and a reference per value. Raises kNoCurrentRecord at BOF or EOF.
  virtual RowView ReadRow() = 0;
  // From now on the rows the recordset moves past are not kept: a result read once, front to back,
  // holds one row at a time, however large. Once a row is gone, MoveFirst raises kNotSupported with
  // a description that says the result must be run again; RecordCount still counts every row.
  virtual void StreamRows() {}

  // A statement text may give several results. The first one with rows is the one Open makes
  // current; the others wait. They are counted once the current result's rows have all been read:
  // until then this is 0. Works on a closed recordset too (0 when nothing waits).
  virtual std::int32_t ResultsWaiting() { return 0; }
  // Makes the next waiting result current, as if its statement had been the one opened: the
  // recordset is then open on its rows, or closed when it has none (the connection's
  // RecordsAffected tells what it changed). False, and nothing changed, when none waits.
  virtual bool OpenNextResult() { return false; }
};

}  // namespace ql::access
