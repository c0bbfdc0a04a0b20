#pragma once
// Error codes of MariaDB Connector/C, which the native MariaDB provider reads from the library and
// MariaDB's ODBC driver passes on as its native errors.

#include <algorithm>
#include <iterator>

namespace ql::access {

// The codes that say the link to the server is gone: the server has gone away between statements
// (CR_SERVER_GONE_ERROR), the connection was lost during one (CR_SERVER_LOST,
// CR_SERVER_LOST_EXTENDED), reading from or writing to it failed (CR_ERR_NET_READ, CR_ERR_NET_WRITE).
inline constexpr int kMariadbLostLinkCodes[] = {2006, 2013, 2055, 5013, 5014};

inline bool IsMariadbLostLinkCode(long code) {
  return std::find(std::begin(kMariadbLostLinkCodes), std::end(kMariadbLostLinkCodes), code) !=
         std::end(kMariadbLostLinkCodes);
}

}  // namespace ql::access
