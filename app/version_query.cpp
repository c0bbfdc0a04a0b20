#include "app/version_query.h"

#include <cstddef>
#include <system_error>

#include "access/data_access.h"
#include "console/color_console.h"

namespace ql::app {
namespace {

// The text must fit a 64-byte buffer with its terminator.
constexpr std::size_t kVersionLimit = 63;

bool IsUsable(const std::string& version) {
  return !version.empty() && version.size() <= kVersionLimit && version.find('\0') == std::string::npos;
}

}  // namespace

void PrintComponentVersion(console::ColorConsole& console, VersionSource source) {
  if (source == nullptr) source = access::ComponentVersion;
  std::string version;
  try {
    version = source();
  } catch (const std::system_error& error) {
    console.Print(error.code() == std::errc::permission_denied ? "ACCESS DENIED\n" : "Open reg error.\n");
    return;
  }
  if (IsUsable(version)) {
    console.Print("MDAC Version: %s\n", version.c_str());
  } else {
    console.Print("MDAC Version not found.\n");
  }
}

}  // namespace ql::app
