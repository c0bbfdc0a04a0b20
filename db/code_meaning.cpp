#include "db/code_meaning.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace ql::db {
namespace {

struct Meaning {
  std::uint32_t code;
  std::string_view text;
};

// Codes that any component may raise, not only the data-access layer; the layer's own codes carry
// their details in the report's source and description lines instead.
constexpr std::array kMeanings{
    Meaning{0x80004001, "Not implemented."},
    Meaning{0x80004002, "The object does not offer the requested interface."},
    Meaning{0x80004003, "There is no object to act on."},
    Meaning{0x80004004, "The operation was aborted."},
    Meaning{0x80004005, "Unspecified failure."},
    Meaning{0x8000FFFF, "Unexpected failure."},
    Meaning{0x80020004, "A required argument was not given."},
    Meaning{0x80020005, "The value has a type that cannot be converted."},
    Meaning{0x8002000A, "The value is outside the range its type can hold."},
    Meaning{0x80070005, "Access is denied."},
    Meaning{0x80070006, "The handle is not valid."},
    Meaning{0x8007000E, "Not enough memory to complete the operation."},
    Meaning{0x80070057, "An argument is not valid."},
};

// Codes of this range belong to an interface's own errors rather than to the system.
constexpr std::int32_t kInterfaceFirst = static_cast<std::int32_t>(0x80040200);
constexpr std::int32_t kInterfaceLast = static_cast<std::int32_t>(0x8004FFFF);

}  // namespace

std::string TrimMessageEnd(std::string_view text) {
  if (text.size() > 1 && text.back() == '\n') {
    text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  }
  return std::string(text);
}

std::string CodeMeaning(access::ResultCode code) {
  const auto bits = static_cast<std::uint32_t>(code);
  for (const Meaning& entry : kMeanings) {
    if (entry.code == bits) return TrimMessageEnd(entry.text);
  }
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
