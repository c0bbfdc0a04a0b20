#pragma once
// A connection's Errors, read from its ErrorList as it stands when asked.

#include <memory>

#include "access/core/error_list.h"
#include "access/errors.h"

namespace ql::access {

std::shared_ptr<Errors> MakeNativeErrors(std::shared_ptr<const ErrorList> list);

}  // namespace ql::access
