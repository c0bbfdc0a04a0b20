// The ODBC functions the program calls, defined here with the driver manager's own signatures (the
// headers declare them, so a mismatch does not compile). Each looks up the real function in
// libodbc.so.2 on its first call and forwards to it. The program is not linked with libodbc, so
// every call in the program reaches these. Without the library, a call fails as a driver manager
// would refuse it: SQLAllocHandle with SQL_ERROR and no handle, every other call with
// SQL_INVALID_HANDLE (no handle can exist).

#include "access/odbc/odbc_library.h"

#include <sql.h>
#include <sqlext.h>

#include "access/shared_library.h"

namespace ql::access {
namespace {

constexpr const char* kDriverManager = "libodbc.so.2";

// Never closed: handles are freed during the program's exit, after any owner would have closed it,
// and a driver the manager loaded may still run threads of its own.
const SharedLibrary& DriverManager() {
  static const SharedLibrary* const library = new SharedLibrary(SharedLibrary::Open(kDriverManager));
  return *library;
}

// The real function of the stub `F`, by name; nullptr without the library.
template <class F>
F Real(F /*stub*/, const char* name) {
  return DriverManager().Function<F>(name);
}

}  // namespace

std::string OdbcLibraryError() { return DriverManager().IsOpen() ? std::string() : DriverManager().Error(); }

}  // namespace ql::access

using ql::access::Real;

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE parent, SQLHANDLE* result) {
  static const auto real = Real(&SQLAllocHandle, "SQLAllocHandle");
  if (real == nullptr) {
    if (result != nullptr) *result = SQL_NULL_HANDLE;
    return SQL_ERROR;
  }
  return real(type, parent, result);
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  static const auto real = Real(&SQLFreeHandle, "SQLFreeHandle");
  return real != nullptr ? real(type, handle) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT statement, SQLUSMALLINT option) {
  static const auto real = Real(&SQLFreeStmt, "SQLFreeStmt");
  return real != nullptr ? real(statement, option) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV environment, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  static const auto real = Real(&SQLSetEnvAttr, "SQLSetEnvAttr");
  return real != nullptr ? real(environment, attribute, value, length) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV environment, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER size,
                                SQLINTEGER* length) {
  static const auto real = Real(&SQLGetEnvAttr, "SQLGetEnvAttr");
  return real != nullptr ? real(environment, attribute, value, size, length) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC connection, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  static const auto real = Real(&SQLSetConnectAttr, "SQLSetConnectAttr");
  return real != nullptr ? real(connection, attribute, value, length) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC connection, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER size,
                                    SQLINTEGER* length) {
  static const auto real = Real(&SQLGetConnectAttr, "SQLGetConnectAttr");
  return real != nullptr ? real(connection, attribute, value, size, length) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  static const auto real = Real(&SQLSetStmtAttr, "SQLSetStmtAttr");
  return real != nullptr ? real(statement, attribute, value, length) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLDataSources(SQLHENV environment, SQLUSMALLINT direction, SQLCHAR* name, SQLSMALLINT nameSize,
                                 SQLSMALLINT* nameLength, SQLCHAR* description, SQLSMALLINT descriptionSize,
                                 SQLSMALLINT* descriptionLength) {
  static const auto real = Real(&SQLDataSources, "SQLDataSources");
  return real != nullptr ? real(environment, direction, name, nameSize, nameLength, description, descriptionSize,
                                descriptionLength)
                         : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLDrivers(SQLHENV environment, SQLUSMALLINT direction, SQLCHAR* description,
                             SQLSMALLINT descriptionSize, SQLSMALLINT* descriptionLength, SQLCHAR* attributes,
                             SQLSMALLINT attributesSize, SQLSMALLINT* attributesLength) {
  static const auto real = Real(&SQLDrivers, "SQLDrivers");
  return real != nullptr ? real(environment, direction, description, descriptionSize, descriptionLength, attributes,
                                attributesSize, attributesLength)
                         : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC connection, SQLHWND window, SQLCHAR* in, SQLSMALLINT inLength,
                                   SQLCHAR* out, SQLSMALLINT outSize, SQLSMALLINT* outLength,
                                   SQLUSMALLINT completion) {
  static const auto real = Real(&SQLDriverConnect, "SQLDriverConnect");
  return real != nullptr ? real(connection, window, in, inLength, out, outSize, outLength, completion)
                         : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC connection) {
  static const auto real = Real(&SQLDisconnect, "SQLDisconnect");
  return real != nullptr ? real(connection) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  static const auto real = Real(&SQLEndTran, "SQLEndTran");
  return real != nullptr ? real(type, handle, completion) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC connection, SQLUSMALLINT info, SQLPOINTER value, SQLSMALLINT size,
                             SQLSMALLINT* length) {
  static const auto real = Real(&SQLGetInfo, "SQLGetInfo");
  return real != nullptr ? real(connection, info, value, size, length) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC connection, SQLUSMALLINT function, SQLUSMALLINT* supported) {
  static const auto real = Real(&SQLGetFunctions, "SQLGetFunctions");
  return real != nullptr ? real(connection, function, supported) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR* state,
                                SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT size, SQLSMALLINT* length) {
  static const auto real = Real(&SQLGetDiagRec, "SQLGetDiagRec");
  return real != nullptr ? real(type, handle, record, state, native, message, size, length) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT statement, SQLCHAR* text, SQLINTEGER length) {
  static const auto real = Real(&SQLExecDirect, "SQLExecDirect");
  return real != nullptr ? real(statement, text, length) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLTables(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                            SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength, SQLCHAR* type,
                            SQLSMALLINT typeLength) {
  static const auto real = Real(&SQLTables, "SQLTables");
  return real != nullptr
             ? real(statement, catalog, catalogLength, schema, schemaLength, table, tableLength, type, typeLength)
             : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT statement, SQLSMALLINT* count) {
  static const auto real = Real(&SQLNumResultCols, "SQLNumResultCols");
  return real != nullptr ? real(statement, count) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT statement, SQLUSMALLINT column, SQLCHAR* name, SQLSMALLINT size,
                                 SQLSMALLINT* length, SQLSMALLINT* type, SQLULEN* columnSize, SQLSMALLINT* digits,
                                 SQLSMALLINT* nullable) {
  static const auto real = Real(&SQLDescribeCol, "SQLDescribeCol");
  return real != nullptr ? real(statement, column, name, size, length, type, columnSize, digits, nullable)
                         : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value,
                             SQLLEN size, SQLLEN* indicator) {
  static const auto real = Real(&SQLBindCol, "SQLBindCol");
  return real != nullptr ? real(statement, column, type, value, size, indicator) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT statement) {
  static const auto real = Real(&SQLFetch, "SQLFetch");
  return real != nullptr ? real(statement) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value,
                             SQLLEN size, SQLLEN* indicator) {
  static const auto real = Real(&SQLGetData, "SQLGetData");
  return real != nullptr ? real(statement, column, type, value, size, indicator) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLSetPos(SQLHSTMT statement, SQLSETPOSIROW row, SQLUSMALLINT operation, SQLUSMALLINT lock) {
  static const auto real = Real(&SQLSetPos, "SQLSetPos");
  return real != nullptr ? real(statement, row, operation, lock) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT statement) {
  static const auto real = Real(&SQLMoreResults, "SQLMoreResults");
  return real != nullptr ? real(statement) : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT statement) {
  static const auto real = Real(&SQLCancel, "SQLCancel");
  return real != nullptr ? real(statement) : SQL_INVALID_HANDLE;
}
