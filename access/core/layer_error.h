#pragma once
// Failures the layer finds itself (a closed object, a refused move), as opposed to those a
// provider reports. They carry the layer's own description and do not touch a connection's Errors.

#include <string>
#include <string_view>

#include "access/data_access_error.h"

namespace ql::access {

[[noreturn]] inline void RaiseLayerError(ResultCode code, std::string_view object) {
  throw DataAccessError(code, std::string(object), std::string(DescribeResult(code)));
}

}  // namespace ql::access
