#include "access/data_access_error.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace ql::access {
namespace {

std::string FormatWhat(ResultCode code, const std::optional<std::string>& description) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<std::uint32_t>(code));
  std::string text = hex;
  std::string_view detail = description ? std::string_view(*description) : DescribeResult(code);
  if (!detail.empty()) {
    text += ": ";
    text += detail;
  }
  return text;
}

}  // namespace

DataAccessError::DataAccessError(ResultCode code) : code_(code), what_(FormatWhat(code, {})) {}

DataAccessError::DataAccessError(ResultCode code, std::string source, std::string description)
    : code_(code), source_(std::move(source)), description_(std::move(description)) {
  what_ = FormatWhat(code_, description_);
}

const char* DataAccessError::what() const noexcept { return what_.c_str(); }

}  // namespace ql::access
