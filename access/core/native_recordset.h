#pragma once
// The layer's Recordset.

#include <memory>

#include "access/core/static_cursor.h"
#include "access/recordset.h"

namespace ql::access {

Ref<Recordset> MakeNativeRecordset();
// An open recordset over rows already running, as a schema rowset is.
Ref<Recordset> MakeNativeRecordset(std::shared_ptr<StaticCursor> cursor);

}  // namespace ql::access
