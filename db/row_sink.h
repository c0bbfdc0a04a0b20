#pragma once
// Where the rows of a result go, one at a time, whatever form they are shown in: the column names,
// then each row's cells, then the end. The rows never need to be held by whoever hands them over.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "db/value_format.h"

namespace ql::db {

// One value of a row: its text as FormatCell gives it (valid only during the call it comes with),
// and what kind of value it is.
struct Cell {
  std::string_view text;
  CellKind kind = CellKind::kOther;
};

class RowSink {
 public:
  virtual ~RowSink() = default;
  // Once, before any row.
  virtual void Header(std::span<const std::string_view> names) = 0;
  // One cell per column, in the header's order.
  virtual void Row(std::span<const Cell> cells) = 0;
  // After the last row handed over, also when a failure ended the rows early: whatever the sink
  // still holds goes out. `total` is the result's number of rows when the rows handed over reached
  // its end.
  virtual void End(std::optional<std::int64_t> total) = 0;
};

}  // namespace ql::db
