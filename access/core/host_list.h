#pragma once
// A connection string's server as written: one host with an optional port, or a list of hosts, as
// the PostgreSQL and MariaDB providers read their Server keys (one syntax for both).

#include <string_view>
#include <vector>

namespace ql::access {

struct HostPort {
  std::string_view host;
  std::string_view port;  // empty when not given
};

// "host", "host:port", "[v6 address]:port" (the brackets dropped); a text with several ':' and no
// brackets is an IPv6 address without a port, and one without ':' (a name, or a path) is a host
// alone. Blanks around the parts are dropped.
HostPort SplitHostPort(std::string_view text);

// "host", "host,port" (one host and a whole number after the comma: its port, as such strings have
// always meant; the host then as written), or a list "h1,h2:p2,[v6]:p3,...", each part as
// SplitHostPort reads it. Never empty: an empty text is one empty host.
std::vector<HostPort> SplitHostList(std::string_view text);

}  // namespace ql::access
