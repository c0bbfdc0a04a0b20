#pragma once
// What a recordset of this layer needs from the connection it is opened on.

#include <cstdint>
#include <memory>
#include <string_view>

#include "access/core/static_cursor.h"

namespace ql::access {

class SessionHost {
 public:
  virtual ~SessionHost() = default;
  // Runs a statement on the open session: a cursor standing on its first row, or null when the
  // statement returns no rows. Raises kConnectionUnusable when the connection is not open. The
  // cursor is closed when the connection closes.
  virtual std::shared_ptr<StaticCursor> Run(std::string_view sql) = 0;
  // The results of the text last run that wait behind `current`, the cursor a recordset stands on
  // (null for a recordset closed by a result without rows). They are counted, and read, once the
  // current result's rows are all read; until then, and for a cursor of an earlier text, 0.
  virtual std::int32_t ResultsWaiting(const StaticCursor* current) = 0;
  // Reads the rest of `current`'s rows, then takes the next waiting result: true with `rows` set
  // to its cursor, or to null for a result without rows; false when none waits.
  virtual bool NextResult(StaticCursor* current, std::shared_ptr<StaticCursor>& rows) = 0;
};

}  // namespace ql::access
