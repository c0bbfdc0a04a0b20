#pragma once
// Owners of libpq's objects, each freed through the loaded library.

#include <memory>

#include "access/postgres/pg_library.h"

namespace ql::access {

struct PgConnectionFree {
  const LibpqApi* api;
  void operator()(PGconn* connection) const noexcept { api->finish(connection); }
};
struct PgResultFree {
  const LibpqApi* api;
  void operator()(PGresult* result) const noexcept { api->clear(result); }
};
struct PgCancelFree {
  const LibpqApi* api;
  void operator()(PGcancel* cancel) const noexcept { api->freeCancel(cancel); }
};

using PgConnection = std::unique_ptr<PGconn, PgConnectionFree>;
using PgResult = std::unique_ptr<PGresult, PgResultFree>;
using PgCancel = std::unique_ptr<PGcancel, PgCancelFree>;

}  // namespace ql::access
