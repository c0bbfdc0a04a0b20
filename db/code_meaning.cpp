#include "db/code_meaning.h"

#include <cstdint>
#include <cstdio>

namespace ql::db {
namespace {

// Codes of this range belong to an interface's own errors rather than to the system.
constexpr std::int32_t kInterfaceFirst = static_cast<std::int32_t>(0x80040200);
constexpr std::int32_t kInterfaceLast = static_cast<std::int32_t>(0x8004FFFF);

}  // namespace

std::string CodeMeaning(access::ResultCode code) {
  if (const std::string_view generic = access::GenericMeaning(code); !generic.empty()) return std::string(generic);
  const auto bits = static_cast<std::uint32_t>(code);
  char text[32];
  const int dispatchNumber = static_cast<int>(bits & 0xFFFF) - 0x200;
  if (code >= kInterfaceFirst && code <= kInterfaceLast && dispatchNumber != 0) {
    std::snprintf(text, sizeof text, "IDispatch error #%d", dispatchNumber);
  } else {
    std::snprintf(text, sizeof text, "Unknown error 0x%0lX", static_cast<unsigned long>(bits));
  }
  return text;
}

}  // namespace ql::db
