#pragma once
// The rows of one prepared SQLite statement, read into the layer's row storage.

#include <memory>
#include <string>
#include <vector>

#include "access/core/provider.h"
#include "access/sqlite/sqlite_handles.h"
#include "access/sqlite/sqlite_interrupt.h"
#include "access/sqlite/sqlite_values.h"

namespace ql::access {

class SqliteCursor final : public ProviderCursor {
 public:
  // `statement` has been prepared on `db` and not stepped yet; `gate` is the connection's.
  SqliteCursor(DatabaseHandle db, std::shared_ptr<InterruptGate> gate, StatementHandle statement,
               std::shared_ptr<ErrorList> errors);

  const std::vector<std::string>& ColumnNames() const override { return names_; }
  bool FetchRow(RowWriter& row) override;

 private:
  void PutCell(RowWriter& row, int column) const;

  // Declared first: the statement must be finalized before the database handle is let go.
  DatabaseHandle db_;
  std::shared_ptr<InterruptGate> gate_;
  StatementHandle statement_;
  std::shared_ptr<ErrorList> errors_;
  std::vector<std::string> names_;
  std::vector<DeclaredKind> kinds_;
  // Stepping a finished statement would start it over, so the cursor remembers that it is done.
  bool done_ = false;
};

}  // namespace ql::access
