#pragma once
// Connecting through libpq's non-blocking calls with a time limit for each host.
//
// libpq's blocking connect gives each host of a list connect_timeout seconds and then tries the
// next; its non-blocking calls, which this program uses so that it never waits inside the library,
// leave timing to the caller and never move on by themselves. So a host that takes the connection
// and never answers would hold the whole attempt. Here the limit counts from the moment libpq
// turns to a host (PQhost and PQport change), and a host that does not answer in time is given up:
// the attempt starts again with the hosts after it, taken from libpq's own reading of the options
// (PQconninfo), so that a URI's host list is followed as well as one given by keys.

#include <string>
#include <vector>

#include "access/postgres/pg_handles.h"

namespace ql::access {

struct PgConnectOutcome {
  // Connected (CONNECTION_OK) or failed with libpq's message; null only when libpq could not
  // allocate a connection.
  PgConnection connection{nullptr, PgConnectionFree{nullptr}};
  // One line ("connection to server at ... failed: no answer within N seconds") for each host of a
  // list given up for its silence, after what libpq said of the hosts it left before it; it stands
  // before libpq's message of the hosts after it.
  std::string givenUp;
  // The last host to be tried did not answer within the limit. With a single host `givenUp` is
  // empty then; with a list it ends with that host's line.
  bool timedOut = false;
  // The limit for each host, from connect_timeout; 0 for none.
  int seconds = 0;
};

// A new connection made by a host of `arguments`: keywords and values as PQconnectStartParams takes
// them (each list ends with a null), `expandDbname` as it takes it. `prepare` is called on each
// connection libpq makes, before it is polled (so a notice sent while connecting is received).
using PgPrepare = void (*)(const LibpqApi& api, PGconn* connection, void* context);
PgConnectOutcome ConnectEachHostWithin(const LibpqApi& api, const std::vector<const char*>& keywords,
                                       const std::vector<const char*>& values, bool expandDbname, PgPrepare prepare,
                                       void* context);

}  // namespace ql::access
