#pragma once
// The MariaDB Connector/C functions this program calls, found in libmariadb.so.3 when the first
// MariaDB or MySQL connection is opened, and owners of the library's objects. The program is not
// linked against the library, so starting it never loads it; its header gives the exact types.

#include <mysql.h>

#include <memory>
#include <string>

namespace ql::access {

struct MariadbApi {
  decltype(&::mysql_get_client_info) clientInfo;
  decltype(&::mysql_init) init;
  decltype(&::mysql_close) close;
  decltype(&::mysql_optionsv) optionsv;
  decltype(&::mysql_real_connect) realConnect;
  decltype(&::mysql_errno) errorNumber;
  decltype(&::mysql_error) error;
  decltype(&::mysql_sqlstate) sqlState;
  decltype(&::mysql_real_query) realQuery;
  decltype(&::mysql_use_result) useResult;
  decltype(&::mysql_store_result) storeResult;
  decltype(&::mysql_free_result) freeResult;
  decltype(&::mysql_fetch_row) fetchRow;
  decltype(&::mysql_fetch_lengths) fetchLengths;
  decltype(&::mysql_num_fields) numFields;
  decltype(&::mysql_fetch_fields) fetchFields;
  decltype(&::mysql_field_count) fieldCount;
  decltype(&::mysql_more_results) moreResults;
  decltype(&::mysql_next_result) nextResult;
  decltype(&::mysql_affected_rows) affectedRows;
  decltype(&::mysql_warning_count) warningCount;
  decltype(&::mysql_thread_id) threadId;
  decltype(&::mysql_get_server_info) serverInfo;
  decltype(&::mysql_get_ssl_cipher) sslCipher;
  decltype(&::mariadb_get_infov) getInfo;
  decltype(&::mysql_stmt_init) stmtInit;
  decltype(&::mysql_stmt_prepare) stmtPrepare;
  decltype(&::mysql_stmt_bind_param) stmtBindParam;
  decltype(&::mysql_stmt_execute) stmtExecute;
  decltype(&::mysql_stmt_result_metadata) stmtResultMetadata;
  decltype(&::mysql_stmt_attr_set) stmtAttrSet;
  decltype(&::mysql_stmt_bind_result) stmtBindResult;
  decltype(&::mysql_stmt_store_result) stmtStoreResult;
  decltype(&::mysql_stmt_fetch) stmtFetch;
  decltype(&::mysql_stmt_fetch_column) stmtFetchColumn;
  decltype(&::mysql_stmt_close) stmtClose;
  decltype(&::mysql_stmt_errno) stmtErrorNumber;
  decltype(&::mysql_stmt_error) stmtError;
  decltype(&::mysql_stmt_sqlstate) stmtSqlState;
};

// The functions, the library being loaded on the first call; null when it cannot be loaded or lacks
// one of them, with the reason in `why`. Safe to call from several threads.
const MariadbApi* LoadMariadb(std::string& why);

// The Debian package that provides the library, named in the message of a failed load.
inline constexpr const char* kMariadbPackage = "libmariadb3";

struct MariadbConnectionClose {
  const MariadbApi* api;
  void operator()(MYSQL* connection) const noexcept { api->close(connection); }
};
struct MariadbResultFree {
  const MariadbApi* api;
  void operator()(MYSQL_RES* result) const noexcept { api->freeResult(result); }
};
struct MariadbStatementClose {
  const MariadbApi* api;
  void operator()(MYSQL_STMT* statement) const noexcept { api->stmtClose(statement); }
};

using MariadbConnection = std::unique_ptr<MYSQL, MariadbConnectionClose>;
using MariadbResult = std::unique_ptr<MYSQL_RES, MariadbResultFree>;
using MariadbStatement = std::unique_ptr<MYSQL_STMT, MariadbStatementClose>;

}  // namespace ql::access
