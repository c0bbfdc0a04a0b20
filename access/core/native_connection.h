#pragma once
// The layer's Connection.

#include "access/connection.h"
#include "access/core/provider.h"

namespace ql::access {

// Each connection finds the provider its string names through `resolve`.
Ref<Connection> MakeNativeConnection(ProviderResolver resolve);

}  // namespace ql::access
