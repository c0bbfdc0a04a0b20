// The ODBC functions the program calls, defined here with the driver manager's own signatures (the
// headers declare them, so a mismatch does not compile). Each looks up the real function in
// libodbc.so.2 on its first call and forwards to it. The program is not linked with libodbc, so
// every call in the program reaches these. Without the library, a call fails as a driver manager
// would refuse it: SQLAllocHandle with SQL_ERROR and no handle, every other call with
// SQL_INVALID_HANDLE (no handle can exist).

#include "access/odbc/odbc_library.h"

#include <sql.h>
#include <sqlext.h>

#include "access/core/shared_library.h"

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

// Calls the real function of the stub `Stub`, looked up once by its name; without the library the
// call is refused as for a handle that does not exist.
template <auto Stub, class... Args>
SQLRETURN Forward(const char* name, Args... args) {
  static const auto real = Real(Stub, name);
  return real != nullptr ? real(args...) : SQL_INVALID_HANDLE;
}

}  // namespace

std::string OdbcLibraryError() { return DriverManager().IsOpen() ? std::string() : DriverManager().Error(); }

}  // namespace ql::access

using ql::access::Forward;
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
  return Forward<&SQLFreeHandle>("SQLFreeHandle", type, handle);
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT statement, SQLUSMALLINT option) {
  return Forward<&SQLFreeStmt>("SQLFreeStmt", statement, option);
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV environment, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return Forward<&SQLSetEnvAttr>("SQLSetEnvAttr", environment, attribute, value, length);
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV environment, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER size,
                                SQLINTEGER* length) {
  return Forward<&SQLGetEnvAttr>("SQLGetEnvAttr", environment, attribute, value, size, length);
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC connection, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return Forward<&SQLSetConnectAttr>("SQLSetConnectAttr", connection, attribute, value, length);
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC connection, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER size,
                                    SQLINTEGER* length) {
  return Forward<&SQLGetConnectAttr>("SQLGetConnectAttr", connection, attribute, value, size, length);
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return Forward<&SQLSetStmtAttr>("SQLSetStmtAttr", statement, attribute, value, length);
}

SQLRETURN SQL_API SQLDataSources(SQLHENV environment, SQLUSMALLINT direction, SQLCHAR* name, SQLSMALLINT nameSize,
                                 SQLSMALLINT* nameLength, SQLCHAR* description, SQLSMALLINT descriptionSize,
                                 SQLSMALLINT* descriptionLength) {
  return Forward<&SQLDataSources>("SQLDataSources", environment, direction, name, nameSize, nameLength, description,
                                  descriptionSize, descriptionLength);
}

SQLRETURN SQL_API SQLDrivers(SQLHENV environment, SQLUSMALLINT direction, SQLCHAR* description,
                             SQLSMALLINT descriptionSize, SQLSMALLINT* descriptionLength, SQLCHAR* attributes,
                             SQLSMALLINT attributesSize, SQLSMALLINT* attributesLength) {
  return Forward<&SQLDrivers>("SQLDrivers", environment, direction, description, descriptionSize, descriptionLength,
                              attributes, attributesSize, attributesLength);
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC connection, SQLHWND window, SQLCHAR* in, SQLSMALLINT inLength, SQLCHAR* out,
                                   SQLSMALLINT outSize, SQLSMALLINT* outLength, SQLUSMALLINT completion) {
  return Forward<&SQLDriverConnect>("SQLDriverConnect", connection, window, in, inLength, out, outSize, outLength,
                                    completion);
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC connection) { return Forward<&SQLDisconnect>("SQLDisconnect", connection); }

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  return Forward<&SQLEndTran>("SQLEndTran", type, handle, completion);
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC connection, SQLUSMALLINT info, SQLPOINTER value, SQLSMALLINT size,
                             SQLSMALLINT* length) {
  return Forward<&SQLGetInfo>("SQLGetInfo", connection, info, value, size, length);
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC connection, SQLUSMALLINT function, SQLUSMALLINT* supported) {
  return Forward<&SQLGetFunctions>("SQLGetFunctions", connection, function, supported);
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR* state,
                                SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT size, SQLSMALLINT* length) {
  return Forward<&SQLGetDiagRec>("SQLGetDiagRec", type, handle, record, state, native, message, size, length);
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT statement, SQLCHAR* text, SQLINTEGER length) {
  return Forward<&SQLExecDirect>("SQLExecDirect", statement, text, length);
}

SQLRETURN SQL_API SQLTables(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                            SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength, SQLCHAR* type,
                            SQLSMALLINT typeLength) {
  return Forward<&SQLTables>("SQLTables", statement, catalog, catalogLength, schema, schemaLength, table, tableLength,
                             type, typeLength);
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                             SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength, SQLCHAR* column,
                             SQLSMALLINT columnLength) {
  return Forward<&SQLColumns>("SQLColumns", statement, catalog, catalogLength, schema, schemaLength, table, tableLength,
                              column, columnLength);
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT statement, SQLLEN* count) {
  return Forward<&SQLRowCount>("SQLRowCount", statement, count);
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT statement, SQLSMALLINT* count) {
  return Forward<&SQLNumResultCols>("SQLNumResultCols", statement, count);
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT statement, SQLUSMALLINT column, SQLCHAR* name, SQLSMALLINT size,
                                 SQLSMALLINT* length, SQLSMALLINT* type, SQLULEN* columnSize, SQLSMALLINT* digits,
                                 SQLSMALLINT* nullable) {
  return Forward<&SQLDescribeCol>("SQLDescribeCol", statement, column, name, size, length, type, columnSize, digits,
                                  nullable);
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value, SQLLEN size,
                             SQLLEN* indicator) {
  return Forward<&SQLBindCol>("SQLBindCol", statement, column, type, value, size, indicator);
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT statement) { return Forward<&SQLFetch>("SQLFetch", statement); }

SQLRETURN SQL_API SQLGetData(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value, SQLLEN size,
                             SQLLEN* indicator) {
  return Forward<&SQLGetData>("SQLGetData", statement, column, type, value, size, indicator);
}

SQLRETURN SQL_API SQLSetPos(SQLHSTMT statement, SQLSETPOSIROW row, SQLUSMALLINT operation, SQLUSMALLINT lock) {
  return Forward<&SQLSetPos>("SQLSetPos", statement, row, operation, lock);
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT statement) { return Forward<&SQLMoreResults>("SQLMoreResults", statement); }

SQLRETURN SQL_API SQLCancel(SQLHSTMT statement) { return Forward<&SQLCancel>("SQLCancel", statement); }
