#pragma once
// What a recordset of this layer needs from the connection it is opened on.

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
};

}  // namespace ql::access
