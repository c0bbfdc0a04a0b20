#include "access/postgres/pg_library.h"

#include <mutex>

namespace ql::access {
namespace {

constexpr const char* kLibraryName = "libpq.so.5";

struct LoadedLibpq {
  SharedLibrary library;
  LibpqApi api{};
  bool complete = false;
  std::string why;
};

template <class F>
bool Find(const SharedLibrary& library, F& slot, const char* name, std::string& why) {
  return library.Bind(slot, name, kLibraryName, why);
}

LoadedLibpq Load() {
  LoadedLibpq loaded;
  loaded.library = SharedLibrary::Open(kLibraryName);
  if (!loaded.library.IsOpen()) {
    loaded.why = loaded.library.Error();
    return loaded;
  }
  const SharedLibrary& lib = loaded.library;
  LibpqApi& api = loaded.api;
  std::string& why = loaded.why;
  loaded.complete =
      Find(lib, api.libVersion, "PQlibVersion", why) && Find(lib, api.conndefaults, "PQconndefaults", why) &&
      Find(lib, api.conninfoFree, "PQconninfoFree", why) && Find(lib, api.conninfo, "PQconninfo", why) &&
      Find(lib, api.connectStartParams, "PQconnectStartParams", why) &&
      Find(lib, api.connectPoll, "PQconnectPoll", why) && Find(lib, api.status, "PQstatus", why) &&
      Find(lib, api.socket, "PQsocket", why) && Find(lib, api.errorMessage, "PQerrorMessage", why) &&
      Find(lib, api.setErrorVerbosity, "PQsetErrorVerbosity", why) &&
      Find(lib, api.setClientEncoding, "PQsetClientEncoding", why) && Find(lib, api.finish, "PQfinish", why) &&
      Find(lib, api.getCancel, "PQgetCancel", why) && Find(lib, api.freeCancel, "PQfreeCancel", why) &&
      Find(lib, api.cancel, "PQcancel", why) && Find(lib, api.sendQuery, "PQsendQuery", why) &&
      Find(lib, api.sendQueryParams, "PQsendQueryParams", why) &&
      Find(lib, api.setSingleRowMode, "PQsetSingleRowMode", why) && Find(lib, api.getResult, "PQgetResult", why) &&
      Find(lib, api.consumeInput, "PQconsumeInput", why) && Find(lib, api.isBusy, "PQisBusy", why) &&
      Find(lib, api.resultStatus, "PQresultStatus", why) &&
      Find(lib, api.resultErrorField, "PQresultErrorField", why) &&
      Find(lib, api.resultErrorMessage, "PQresultErrorMessage", why) && Find(lib, api.clear, "PQclear", why) &&
      Find(lib, api.cmdStatus, "PQcmdStatus", why) && Find(lib, api.cmdTuples, "PQcmdTuples", why) &&
      Find(lib, api.ntuples, "PQntuples", why) && Find(lib, api.nfields, "PQnfields", why) &&
      Find(lib, api.fname, "PQfname", why) && Find(lib, api.ftype, "PQftype", why) &&
      Find(lib, api.getvalue, "PQgetvalue", why) && Find(lib, api.getlength, "PQgetlength", why) &&
      Find(lib, api.getisnull, "PQgetisnull", why) && Find(lib, api.setNoticeReceiver, "PQsetNoticeReceiver", why) &&
      Find(lib, api.transactionStatus, "PQtransactionStatus", why) &&
      Find(lib, api.parameterStatus, "PQparameterStatus", why) && Find(lib, api.host, "PQhost", why) &&
      Find(lib, api.port, "PQport", why) && Find(lib, api.db, "PQdb", why) && Find(lib, api.user, "PQuser", why) &&
      Find(lib, api.getCopyData, "PQgetCopyData", why) && Find(lib, api.putCopyEnd, "PQputCopyEnd", why) &&
      Find(lib, api.freemem, "PQfreemem", why);
  api.setChunkedRowsMode = lib.Function<int (*)(PGconn*, int)>("PQsetChunkedRowsMode");
  api.sslInUse = lib.Function<decltype(&::PQsslInUse)>("PQsslInUse");
  return loaded;
}

}  // namespace

const LibpqApi* LoadLibpq(std::string& why) {
  // Loaded once and kept for the life of the program: the sessions' function pointers point into it.
  static LoadedLibpq* loaded = nullptr;
  static std::once_flag once;
  std::call_once(once, [] { loaded = new LoadedLibpq(Load()); });
  if (!loaded->complete) {
    why = loaded->why;
    return nullptr;
  }
  return &loaded->api;
}

}  // namespace ql::access
