#include "access/odbc/odbc_session.h"

#include <sqlext.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "access/ascii.h"
#include "access/odbc/odbc_columns.h"
#include "access/odbc/odbc_cursor.h"
#include "access/odbc/odbc_keys.h"
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

// The keys by which ODBC drivers are commonly given the server's host.
constexpr std::string_view kHostKeys[] = {"Server", "Servername", "Host", "Address", "Addr"};

// The text a pair's value stands for, braced or not.
std::string ValueOf(const ConnectionString& pairs, std::string_view key) {
  const std::optional<std::string> value = pairs.Find(key);
  if (!value) return {};
  return pairs.Form(key) == ValueForm::kBraced ? ConnectionString::BracedText(*value) : *value;
}

// The sum of two counts of rows, -1 standing for a count not known.
std::int64_t Added(std::int64_t total, std::int64_t count) {
  if (count < 0) return total;
  return total < 0 ? count : total + count;
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
  link.resultsFollowCounts = request.resultsFollowCounts;
  driverName_ = request.driver.name;
  for (std::string_view key : kHostKeys) {
    if (host_.empty()) host_ = ValueOf(pairs, key);
  }
  port_ = ValueOf(pairs, "Port");
  link.connection = OdbcHandle::Allocate(SQL_HANDLE_DBC, link.environment.Get());
  if (!link.connection) link.Raise(link.environment, "Allocating a connection");
  SQLHDBC connection = link.connection.Get();
  // The driver manager's trace is a file too; it stays off whatever its configuration says.
  SQLSetConnectAttr(connection, SQL_ATTR_TRACE, AsPointer(SQL_OPT_TRACE_OFF), 0);
  SQLSetConnectAttr(connection, SQL_ATTR_LOGIN_TIMEOUT, AsPointer(request.loginTimeout), 0);
  const SQLRETURN rc = SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(request.text.data()), SQL_NTS,
                                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  Wipe(request.text);
  if (!SQL_SUCCEEDED(rc)) link.Raise(link.connection, "Connecting");
  link.connection.MarkConnected();
  link.Note(rc, link.connection);
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
  link.hasMoreResults =
      SQL_SUCCEEDED(SQLGetFunctions(connection, SQL_API_SQLMORERESULTS, &supported)) && supported == SQL_TRUE;
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
  // The results the text before still had wait no longer: its statement goes, unless a cursor
  // still reads from it.
  results_.reset();
  affected_ = -1;
  auto statement = std::make_shared<OdbcStatement>(link_, NewStatement(), true);
  SQLHSTMT handle = statement->Get();
  RunningStatement running(*link_, handle);
  SQLRETURN rc = SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data())),
                               static_cast<SQLINTEGER>(sql.size()));
  // A batch may begin with statements that return no rows; the first result with columns is the
  // one shown. When none has columns, the count is what the text's statements changed together.
  // SQL_NO_DATA is a statement that touched no rows.
  std::int64_t changed = -1;
  for (;;) {
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) link_->Raise(statement->Handle(), "Running the statement");
    link_->Note(rc, statement->Handle());
    SQLSMALLINT columns = 0;
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(SQLNumResultCols(handle, &columns))) {
      link_->Raise(statement->Handle(), "Reading the result's shape");
    }
    if (columns > 0) {
      std::unique_ptr<ProviderCursor> rows = OdbcCursor::OfResult(link_, statement, columns);
      results_ = std::move(statement);
      return rows;
    }
    changed = Added(changed, RowCountOf(*statement, rc));
    if (!link_->hasMoreResults || !link_->resultsFollowCounts) break;
    rc = SQLMoreResults(handle);
    if (rc == SQL_NO_DATA) break;
  }
  affected_ = changed;
  return nullptr;
}

bool OdbcSession::NextResult(std::unique_ptr<ProviderCursor>& rows) {
  rows.reset();
  if (!results_) return false;
  const std::shared_ptr<OdbcStatement> statement = results_;
  switch (statement->Position()) {
    case OdbcStatement::Next::kWaiting:
      break;
    case OdbcStatement::Next::kFailed:
      results_.reset();
      link_->errors->Raise(statement->TakeFailure());
    case OdbcStatement::Next::kReading:  // the current result failed, or was left before its end
    case OdbcStatement::Next::kDone:
      results_.reset();
      return false;
  }
  affected_ = -1;
  SQLSMALLINT columns = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(statement->Get(), &columns))) {
    results_.reset();
    link_->Raise(statement->Handle(), "Reading the result's shape");
  }
  statement->MarkReading();
  if (columns > 0) {
    rows = OdbcCursor::OfResult(link_, statement, columns);
    return true;
  }
  affected_ = RowCountOf(*statement, SQL_SUCCESS);
  statement->MoveOn(false);
  return true;
}

std::unique_ptr<ProviderCursor> OdbcSession::OpenSchema(SchemaKind schema) {
  auto statement = std::make_shared<OdbcStatement>(link_, NewStatement(), false);
  SQLHSTMT handle = statement->Get();
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
      link_->Raise(statement->Handle(), "Listing the tables");
    }
    return std::make_unique<OdbcCursor>(
        link_, std::move(statement),
        std::vector<OdbcCursor::Column>{
            {1, "TABLE_CATALOG"}, {2, "TABLE_SCHEMA"}, {3, "TABLE_NAME"}, {4, "TABLE_TYPE"}});
  }
  if (schema == SchemaKind::kCatalogs) {
    if (InfoText(link_->connection.Get(), SQL_CATALOG_NAME) == "N") {
      link_->errors->Raise(kNotSupported, link_->driver.name, "The driver has no catalogs to list.");
    }
    SQLCHAR all[] = SQL_ALL_CATALOGS;
    SQLCHAR empty[] = "";
    if (!SQL_SUCCEEDED(SQLTables(handle, all, SQL_NTS, empty, 0, empty, 0, nullptr, 0))) {
      link_->Raise(statement->Handle(), "Listing the catalogs");
    }
    return std::make_unique<OdbcCursor>(link_, std::move(statement),
                                        std::vector<OdbcCursor::Column>{{1, "CATALOG_NAME"}});
  }
  link_->errors->Raise(kNotSupported, link_->driver.name, "The driver cannot list this kind of schema information.");
}

std::unique_ptr<ProviderCursor> OdbcSession::OpenColumns(std::string_view table) {
  if (table.find('\0') != std::string_view::npos) {
    link_->errors->Raise(kInvalidArgument, link_->driver.name, "The table name contains a NUL character.");
  }
  const std::string pattern = LiteralPattern(table, InfoText(link_->connection.Get(), SQL_SEARCH_PATTERN_ESCAPE));
  if (pattern.size() > static_cast<std::size_t>(std::numeric_limits<SQLSMALLINT>::max())) {
    link_->errors->Raise(kOutOfRange, link_->driver.name, "The table name is too long for ODBC.");
  }
  auto statement = std::make_shared<OdbcStatement>(link_, NewStatement(), false);
  SQLHSTMT handle = statement->Get();
  RunningStatement running(*link_, handle);
  // In the database in use, as the tables are listed.
  std::string catalog;
  if (InfoText(link_->connection.Get(), SQL_CATALOG_NAME) != "N") catalog = CurrentCatalog(link_->connection.Get());
  SQLCHAR* const catalogName = catalog.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(catalog.data());
  if (!SQL_SUCCEEDED(SQLColumns(handle, catalogName, static_cast<SQLSMALLINT>(catalog.size()), nullptr, 0,
                                reinterpret_cast<SQLCHAR*>(const_cast<char*>(pattern.data())),
                                static_cast<SQLSMALLINT>(pattern.size()), nullptr, 0))) {
    link_->Raise(statement->Handle(), "Listing the columns");
  }
  return ReadColumnsRowset(link_, std::move(statement));
}

std::vector<ConnectionFact> OdbcSession::Describe() {
  SQLHDBC connection = link_->connection.Get();
  std::vector<ConnectionFact> facts;
  const auto add = [&facts](const char* name, std::string value) {
    if (!value.empty()) facts.push_back({name, std::move(value)});
  };
  add(kFactProvider, "ODBC (" + (driverName_.empty() ? link_->driver.name : driverName_) + ")");
  // A driver for files (SQLite's) names its file as both server and database: it has no host.
  std::string database = InfoText(connection, SQL_DATABASE_NAME);
  if (database.empty()) database = CurrentCatalog(connection);
  std::string host = InfoText(connection, SQL_SERVER_NAME);
  if (host == database) host.clear();
  add(kFactHost, host.empty() ? host_ : host);
  add(kFactPort, port_);
  add(kFactDatabase, database);
  add(kFactUser, InfoText(connection, SQL_USER_NAME));
  const std::string version = InfoText(connection, SQL_DBMS_VER);
  if (!version.empty()) add(kFactServer, std::string(TrimBlanks(InfoText(connection, SQL_DBMS_NAME) + " " + version)));
  return facts;
}

void OdbcSession::Interrupt() noexcept { link_->canceller.Interrupt(); }

}  // namespace ql::access
