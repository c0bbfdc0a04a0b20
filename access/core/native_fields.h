#pragma once
// The Fields of a recordset, one Field per column, made once when the recordset opens.

#include <memory>

#include "access/core/static_cursor.h"
#include "access/fields.h"

namespace ql::access {

std::shared_ptr<Fields> MakeNativeFields(const std::shared_ptr<StaticCursor>& cursor);

}  // namespace ql::access
