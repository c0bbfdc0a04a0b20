#include "access/mariadb/mariadb_library.h"

#include <mutex>

#include "access/core/shared_library.h"

namespace ql::access {
namespace {

constexpr const char* kLibraryName = "libmariadb.so.3";

struct LoadedMariadb {
  SharedLibrary library;
  MariadbApi api{};
  bool complete = false;
  std::string why;
};

template <class F>
bool Find(const SharedLibrary& library, F& slot, const char* name, std::string& why) {
  return library.Bind(slot, name, kLibraryName, why);
}

LoadedMariadb Load() {
  LoadedMariadb loaded;
  loaded.library = SharedLibrary::Open(kLibraryName);
  if (!loaded.library.IsOpen()) {
    loaded.why = loaded.library.Error();
    return loaded;
  }
  const SharedLibrary& lib = loaded.library;
  MariadbApi& api = loaded.api;
  std::string& why = loaded.why;
  loaded.complete =
      Find(lib, api.clientInfo, "mysql_get_client_info", why) && Find(lib, api.init, "mysql_init", why) &&
      Find(lib, api.close, "mysql_close", why) && Find(lib, api.optionsv, "mysql_optionsv", why) &&
      Find(lib, api.realConnect, "mysql_real_connect", why) && Find(lib, api.errorNumber, "mysql_errno", why) &&
      Find(lib, api.error, "mysql_error", why) && Find(lib, api.sqlState, "mysql_sqlstate", why) &&
      Find(lib, api.realQuery, "mysql_real_query", why) && Find(lib, api.useResult, "mysql_use_result", why) &&
      Find(lib, api.storeResult, "mysql_store_result", why) && Find(lib, api.freeResult, "mysql_free_result", why) &&
      Find(lib, api.fetchRow, "mysql_fetch_row", why) && Find(lib, api.fetchLengths, "mysql_fetch_lengths", why) &&
      Find(lib, api.numFields, "mysql_num_fields", why) && Find(lib, api.fetchFields, "mysql_fetch_fields", why) &&
      Find(lib, api.fieldCount, "mysql_field_count", why) && Find(lib, api.moreResults, "mysql_more_results", why) &&
      Find(lib, api.nextResult, "mysql_next_result", why) && Find(lib, api.affectedRows, "mysql_affected_rows", why) &&
      Find(lib, api.warningCount, "mysql_warning_count", why) && Find(lib, api.threadId, "mysql_thread_id", why) &&
      Find(lib, api.serverInfo, "mysql_get_server_info", why) &&
      Find(lib, api.sslCipher, "mysql_get_ssl_cipher", why) && Find(lib, api.getInfo, "mariadb_get_infov", why) &&
      Find(lib, api.stmtInit, "mysql_stmt_init", why) && Find(lib, api.stmtPrepare, "mysql_stmt_prepare", why) &&
      Find(lib, api.stmtBindParam, "mysql_stmt_bind_param", why) &&
      Find(lib, api.stmtExecute, "mysql_stmt_execute", why) &&
      Find(lib, api.stmtResultMetadata, "mysql_stmt_result_metadata", why) &&
      Find(lib, api.stmtAttrSet, "mysql_stmt_attr_set", why) &&
      Find(lib, api.stmtBindResult, "mysql_stmt_bind_result", why) &&
      Find(lib, api.stmtStoreResult, "mysql_stmt_store_result", why) &&
      Find(lib, api.stmtFetch, "mysql_stmt_fetch", why) &&
      Find(lib, api.stmtFetchColumn, "mysql_stmt_fetch_column", why) &&
      Find(lib, api.stmtClose, "mysql_stmt_close", why) && Find(lib, api.stmtErrorNumber, "mysql_stmt_errno", why) &&
      Find(lib, api.stmtError, "mysql_stmt_error", why) && Find(lib, api.stmtSqlState, "mysql_stmt_sqlstate", why);
  return loaded;
}

}  // namespace

const MariadbApi* LoadMariadb(std::string& why) {
  // Loaded once and kept for the life of the program: the sessions' function pointers point into it.
  static LoadedMariadb* loaded = nullptr;
  static std::once_flag once;
  std::call_once(once, [] { loaded = new LoadedMariadb(Load()); });
  if (!loaded->complete) {
    why = loaded->why;
    return nullptr;
  }
  return &loaded->api;
}

}  // namespace ql::access
