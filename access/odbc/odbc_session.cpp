#include "access/odbc/odbc_session.h"

#include <sqlext.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "access/odbc/odbc_connect_request.h"
#include "access/odbc/odbc_cursor.h"
#include "access/odbc/odbc_library.h"

namespace ql::access {
namespace {

SQLPOINTER AsPointer(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(value)); }

std::string InfoText(SQLHDBC connection, SQLUSMALLINT info) {
  char text[256] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(connection, info, text, sizeof text, &length))) return {};
  return std::string(text, ::strnlen(text, sizeof text));
}

// The database the connection is in now, or empty when the driver does not say. Read at each
// listing, since a statement ("USE other") may have changed it.
std::string CurrentCatalog(SQLHDBC connection) {
  char text[256] = {};
  SQLINTEGER length = 0;
  if (!SQL_SUCCEEDED(SQLGetConnectAttr(connection, SQL_ATTR_CURRENT_CATALOG, text, sizeof text - 1, &length))) {
    return {};
  }
  // A name cut to fit the buffer would name another database.
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof text - 1) return {};
  return std::string(text, ::strnlen(text, sizeof text));
}

// The password is in the text; it should not outlive the call that needed it.
void Wipe(std::string& text) {
  explicit_bzero(text.data(), text.size());
  text.clear();
}

}  // namespace

OdbcSession::OdbcSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors)
    : link_(std::make_shared<OdbcLink>()) {
  OdbcLink& link = *link_;
  link.errors = std::move(errors);
  link.driver.name = "ODBC";
  link.environment = OdbcHandle::Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
  if (!link.environment) {
    const std::string notLoaded = OdbcLibraryError();
    link.errors->Raise(kProviderFailed, "ODBC",
                       notLoaded.empty() ? "The ODBC driver manager could not set up an environment."
                                         : "The ODBC driver manager could not be loaded: " + notLoaded);
  }
  if (!SQL_SUCCEEDED(SQLSetEnvAttr(link.environment.Get(), SQL_ATTR_ODBC_VERSION, AsPointer(SQL_OV_ODBC3), 0))) {
    link.Raise(link.environment, "Choosing ODBC 3");
  }
  ConnectRequest request = MakeConnectRequest(pairs, link.environment.Get(), *link.errors);
  link.driver = request.driver;
  link.connection = OdbcHandle::Allocate(SQL_HANDLE_DBC, link.environment.Get());
  if (!link.connection) link.Raise(link.environment, "Allocating a connection");
  SQLHDBC connection = link.connection.Get();
  // The driver manager's trace is a file too; it stays off whatever its configuration says.
  SQLSetConnectAttr(connection, SQL_ATTR_TRACE, AsPointer(SQL_OPT_TRACE_OFF), 0);
  SQLSetConnectAttr(connection, SQL_ATTR_LOGIN_TIMEOUT, AsPointer(request.loginTimeout), 0);
  const SQLRETURN rc = SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(request.text.data()),
                                        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  Wipe(request.text);
  if (!SQL_SUCCEEDED(rc)) link.Raise(link.connection, "Connecting");
  link.connection.MarkConnected();
  if (request.afterConnect != nullptr) request.afterConnect(connection);

  if (std::string name = InfoText(connection, SQL_DRIVER_NAME); !name.empty()) {
    if (link.driver.library.empty()) link.driver.library = name;
    link.driver.name = std::move(name);
  }
  SQLUINTEGER extensions = 0;
  if (SQL_SUCCEEDED(SQLGetInfo(connection, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr))) {
    link.getDataExtensions = extensions;
  }
  SQLUSMALLINT supported = SQL_FALSE;
  link.hasMoreResults = SQL_SUCCEEDED(SQLGetFunctions(connection, SQL_API_SQLMORERESULTS, &supported)) &&
                        supported == SQL_TRUE;
}

OdbcHandle OdbcSession::NewStatement() {
  OdbcHandle statement = OdbcHandle::Allocate(SQL_HANDLE_STMT, link_->connection.Get());
  if (!statement) link_->Raise(link_->connection, "Allocating a statement");
  return statement;
}

std::unique_ptr<ProviderCursor> OdbcSession::Execute(std::string_view sql) {
  // Drivers read the text as a C string: whatever follows a NUL would be dropped without a word.
  if (sql.find('\0') != std::string_view::npos) {
    link_->errors->Raise(kStatementError, link_->driver.name, "The statement contains a NUL character.");
  }
  if (sql.size() > static_cast<std::size_t>(std::numeric_limits<SQLINTEGER>::max())) {
    link_->errors->Raise(kOutOfRange, link_->driver.name, "The statement is too long for ODBC.");
  }
  OdbcHandle statement = NewStatement();
  SQLHSTMT handle = statement.Get();
  RunningStatement running(*link_, handle);
  SQLRETURN rc = SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data())),
                               static_cast<SQLINTEGER>(sql.size()));
  // A batch may begin with statements that return no rows; the first result with columns is the
  // one shown. SQL_NO_DATA is a statement that touched no rows.
  for (;;) {
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) link_->Raise(statement, "Running the statement");
    SQLSMALLINT columns = 0;
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(SQLNumResultCols(handle, &columns))) {
      link_->Raise(statement, "Reading the result's shape");
    }
    if (columns > 0) return OdbcCursor::OfResult(link_, std::move(statement), columns);
    if (!link_->hasMoreResults) return nullptr;
    rc = SQLMoreResults(handle);
    if (rc == SQL_NO_DATA) return nullptr;
  }
}

std::unique_ptr<ProviderCursor> OdbcSession::OpenSchema(SchemaKind schema) {
  OdbcHandle statement = NewStatement();
  SQLHSTMT handle = statement.Get();
  RunningStatement running(*link_, handle);
  if (schema == SchemaKind::kTables) {
    // The tables of the database in use. Without a catalog some drivers (MariaDB's) list every
    // database on the server, system schemas included; a driver without catalogs, or that names
    // no current one, lists what it has.
    std::string catalog;
    if (InfoText(link_->connection.Get(), SQL_CATALOG_NAME) != "N") catalog = CurrentCatalog(link_->connection.Get());
    SQLCHAR* const catalogName = catalog.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(catalog.data());
    const auto catalogLength = static_cast<SQLSMALLINT>(catalog.size());
    if (!SQL_SUCCEEDED(SQLTables(handle, catalogName, catalogLength, nullptr, 0, nullptr, 0, nullptr, 0))) {
      link_->Raise(statement, "Listing the tables");
    }
    return std::make_unique<OdbcCursor>(
        link_, std::move(statement),
        std::vector<OdbcCursor::Column>{{1, "TABLE_CATALOG"}, {2, "TABLE_SCHEMA"}, {3, "TABLE_NAME"}, {4, "TABLE_TYPE"}});
  }
  if (schema == SchemaKind::kCatalogs) {
    if (InfoText(link_->connection.Get(), SQL_CATALOG_NAME) == "N") {
      link_->errors->Raise(kNotSupported, link_->driver.name, "The driver has no catalogs to list.");
    }
    SQLCHAR all[] = SQL_ALL_CATALOGS;
    SQLCHAR empty[] = "";
    if (!SQL_SUCCEEDED(SQLTables(handle, all, SQL_NTS, empty, 0, empty, 0, nullptr, 0))) {
      link_->Raise(statement, "Listing the catalogs");
    }
    return std::make_unique<OdbcCursor>(link_, std::move(statement),
                                        std::vector<OdbcCursor::Column>{{1, "CATALOG_NAME"}});
  }
  link_->errors->Raise(kNotSupported, link_->driver.name, "The driver cannot list this kind of schema information.");
}

void OdbcSession::Interrupt() noexcept { link_->canceller.Interrupt(); }

}  // namespace ql::access
