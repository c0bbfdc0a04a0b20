#pragma once
// Internal: the layer's Connection.

#include "access/connection.h"

namespace ql::access {

Ref<Connection> MakeNativeConnection();

}  // namespace ql::access
