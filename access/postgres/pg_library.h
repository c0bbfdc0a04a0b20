#pragma once
// The libpq functions this program calls, found in libpq.so.5 when the first PostgreSQL
// connection is opened. The program is not linked against libpq, so starting it never loads the
// library; its header gives the exact types of the functions.

#include <libpq-fe.h>

#include <string>

#include "access/core/shared_library.h"

namespace ql::access {

struct LibpqApi {
  decltype(&::PQlibVersion) libVersion;
  decltype(&::PQconndefaults) conndefaults;
  decltype(&::PQconninfoFree) conninfoFree;
  decltype(&::PQconninfo) conninfo;
  decltype(&::PQconnectStartParams) connectStartParams;
  decltype(&::PQconnectPoll) connectPoll;
  decltype(&::PQstatus) status;
  decltype(&::PQsocket) socket;
  decltype(&::PQerrorMessage) errorMessage;
  decltype(&::PQsetErrorVerbosity) setErrorVerbosity;
  decltype(&::PQsetClientEncoding) setClientEncoding;
  decltype(&::PQfinish) finish;
  decltype(&::PQgetCancel) getCancel;
  decltype(&::PQfreeCancel) freeCancel;
  decltype(&::PQcancel) cancel;
  decltype(&::PQsendQuery) sendQuery;
  decltype(&::PQsendQueryParams) sendQueryParams;
  decltype(&::PQsetSingleRowMode) setSingleRowMode;
  decltype(&::PQgetResult) getResult;
  decltype(&::PQconsumeInput) consumeInput;
  decltype(&::PQisBusy) isBusy;
  decltype(&::PQresultStatus) resultStatus;
  decltype(&::PQresultErrorField) resultErrorField;
  decltype(&::PQresultErrorMessage) resultErrorMessage;
  decltype(&::PQclear) clear;
  decltype(&::PQcmdStatus) cmdStatus;
  decltype(&::PQcmdTuples) cmdTuples;
  decltype(&::PQntuples) ntuples;
  decltype(&::PQnfields) nfields;
  decltype(&::PQfname) fname;
  decltype(&::PQftype) ftype;
  decltype(&::PQgetvalue) getvalue;
  decltype(&::PQgetlength) getlength;
  decltype(&::PQgetisnull) getisnull;
  decltype(&::PQsetNoticeReceiver) setNoticeReceiver;
  decltype(&::PQtransactionStatus) transactionStatus;
  decltype(&::PQparameterStatus) parameterStatus;
  decltype(&::PQhost) host;
  decltype(&::PQport) port;
  decltype(&::PQdb) db;
  decltype(&::PQuser) user;
  decltype(&::PQgetCopyData) getCopyData;
  decltype(&::PQputCopyEnd) putCopyEnd;
  decltype(&::PQfreemem) freemem;
  // libpq 17 and later: rows in chunks of up to a given count; null in older releases, which then
  // deliver them one at a time.
  int (*setChunkedRowsMode)(PGconn* connection, int chunkSize);
  // libpq 9.5 and later: whether the connection uses TLS; null in older releases.
  decltype(&::PQsslInUse) sslInUse;
};

// The functions, the library being loaded on the first call; null when it cannot be loaded or lacks
// one of them, with the reason in `why`. Safe to call from several threads.
const LibpqApi* LoadLibpq(std::string& why);

// The Debian package that provides the library, named in the message of a failed load.
inline constexpr const char* kLibpqPackage = "libpq5";

}  // namespace ql::access
