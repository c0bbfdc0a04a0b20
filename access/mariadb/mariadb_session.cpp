#include "access/mariadb/mariadb_session.h"

#include <ma_pvio.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "access/ascii.h"
#include "access/core/client_errors.h"
#include "access/mariadb/mariadb_cursor.h"
#include "access/mariadb/mariadb_errors.h"
#include "access/mariadb/mariadb_interrupt.h"

namespace ql::access {
namespace {

// How long a connection that sends KILL QUERY may take for each of connecting, sending and hearing
// back: Ctrl-C should be answered within moments, or not at all.
constexpr unsigned int kKillSeconds = 3;

template <class Number>
Number NumberOf(const std::string& digits) {
  Number value{};
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

// The name of the first option the library refused, or nothing.
std::optional<std::string> SetOptions(const MariadbApi& api, MYSQL* connection, const MariadbLogin& login,
                                      ConnectPurpose purpose) {
  for (const MariadbOption& option : login.options) {
    const auto id = static_cast<mysql_option>(option.option);
    if (purpose == ConnectPurpose::kKill && id == MYSQL_INIT_COMMAND) continue;
    int failed = 0;
    switch (option.kind) {
      case MariadbOptionValue::kText:
        failed = api.optionsv(connection, id, option.value.c_str());
        break;
      case MariadbOptionValue::kBool: {
        const my_bool value = option.value == "1" ? 1 : 0;
        failed = api.optionsv(connection, id, &value);
        break;
      }
      case MariadbOptionValue::kUnsignedFlag:
      case MariadbOptionValue::kUnsigned: {
        const unsigned int value = NumberOf<unsigned int>(option.value);
        failed = api.optionsv(connection, id, &value);
        break;
      }
      case MariadbOptionValue::kUnsignedLong: {
        const unsigned long value = NumberOf<unsigned long>(option.value);
        failed = api.optionsv(connection, id, &value);
        break;
      }
      case MariadbOptionValue::kSwitch:
        if (option.value == "1") failed = api.optionsv(connection, id, nullptr);
        break;
    }
    if (failed != 0) return option.name;
  }
  unsigned int seconds = login.connectTimeout;
  if (purpose == ConnectPurpose::kKill) {
    seconds = seconds == 0 ? kKillSeconds : std::min(seconds, kKillSeconds);
    const unsigned int limit = kKillSeconds;
    api.optionsv(connection, MYSQL_OPT_READ_TIMEOUT, &limit);
    api.optionsv(connection, MYSQL_OPT_WRITE_TIMEOUT, &limit);
  }
  if (seconds > 0 && api.optionsv(connection, MYSQL_OPT_CONNECT_TIMEOUT, &seconds) != 0) return "Connect Timeout";
  return std::nullopt;
}

const char* TextOrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// A text of one statement, as far as can be told without reading SQL: no ';' but at its end.
bool HoldsOneStatement(std::string_view sql) {
  const std::size_t semicolon = sql.find(';');
  if (semicolon == std::string_view::npos) return true;
  for (char c : sql.substr(semicolon + 1)) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  }
  return true;
}

// The tables and views of the database in use, as the other providers list them: the database as
// the catalog (MariaDB's databases are its catalogs), no schema; tables first, then views, then the
// rest (the system's views of information_schema as SYSTEM TABLE, sequences), each by name.
constexpr std::string_view kTablesQuery =
    "SELECT t.TABLE_SCHEMA AS TABLE_CATALOG, NULL AS TABLE_SCHEMA, t.TABLE_NAME AS TABLE_NAME, "
    "CASE t.TABLE_TYPE WHEN 'BASE TABLE' THEN 'TABLE' WHEN 'SYSTEM VIEW' THEN 'SYSTEM TABLE' "
    "ELSE t.TABLE_TYPE END AS TABLE_TYPE "
    "FROM information_schema.TABLES t WHERE t.TABLE_SCHEMA = DATABASE() "
    "ORDER BY CASE t.TABLE_TYPE WHEN 'BASE TABLE' THEN 0 WHEN 'VIEW' THEN 1 ELSE 2 END, t.TABLE_NAME";

// The databases this login may see, as SHOW DATABASES lists them.
constexpr std::string_view kCatalogsQuery =
    "SELECT SCHEMA_NAME AS CATALOG_NAME FROM information_schema.SCHEMATA ORDER BY SCHEMA_NAME";

// A table's columns in their order, the table's name a parameter. MariaDB writes a column's default
// as an SQL expression, a text in quotes, so its bare NULL is no default at all; MySQL writes a text
// default without quotes, and its NULL is SQL's.
std::string ColumnsQuery(bool mariadb) {
  return std::string(
             "SELECT COLUMN_NAME, COLUMN_TYPE AS TYPE_NAME, "
             "COALESCE(CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION) AS COLUMN_SIZE, IS_NULLABLE, ") +
         (mariadb ? "NULLIF(COLUMN_DEFAULT, 'NULL')" : "COLUMN_DEFAULT") +
         " AS COLUMN_DEFAULT FROM information_schema.COLUMNS "
         "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ? ORDER BY ORDINAL_POSITION";
}

// The failure of every host of a list, as one record: what each said, in the order they were tried,
// under the code of the last.
ErrorRecord HostsFailure(const std::vector<MariadbHost>& hosts, unsigned int port,
                         const std::vector<ErrorRecord>& failures) {
  std::string description = "No host of the list took the connection:";
  for (std::size_t i = 0; i < failures.size() && i < hosts.size(); ++i) {
    const unsigned int hostPort = hosts[i].port != 0 ? hosts[i].port : port;
    description += std::string(i == 0 ? " " : "; ") +
                   (hosts[i].name.empty() ? std::string("localhost") : hosts[i].name) +
                   (hostPort != 0 ? ":" + std::to_string(hostPort) : std::string()) + ": " + failures[i].description;
  }
  return {failures.back().number, kMariadbSource, std::move(description)};
}

class MariadbSession final : public ProviderSession {
 public:
  MariadbSession(const MariadbApi& api, MariadbLogin login, std::shared_ptr<ErrorList> errors)
      : link_(std::make_shared<MariadbLink>()) {
    MariadbLink& link = *link_;
    link.api = &api;
    link.login = std::move(login);
    link.errors = std::move(errors);
    // The hosts in order, each on a connection of its own within Connect Timeout; the first to take
    // the connection is the session's, and the one KILL QUERY is sent to.
    const std::vector<MariadbHost> hosts = link.login.hosts.empty() ? std::vector<MariadbHost>(1) : link.login.hosts;
    std::vector<ErrorRecord> failures;
    for (const MariadbHost& host : hosts) {
      link.connection = MariadbConnection(api.init(nullptr), MariadbConnectionClose{&api});
      if (!link.connection) {
        link.errors->Raise(kOutOfMemory, kMariadbSource, "The library could not allocate a connection.");
      }
      std::string refused;
      if (ConnectMariadb(api, link.connection.get(), link.login, host, ConnectPurpose::kSession, refused)) {
        failures.clear();
        if (!link.login.hosts.empty()) link.login.hosts = {host};
        break;
      }
      if (!refused.empty()) {
        link.errors->Raise(kProviderFailed, kMariadbSource, "The library refused the value of \"" + refused + "\".");
      }
      failures.push_back(MariadbFailure(api, link.connection.get(), link.login.secrets, "Connecting"));
    }
    if (failures.size() == 1) link.errors->Raise(std::move(failures));
    if (!failures.empty()) link.errors->Raise({HostsFailure(hosts, link.login.port, failures)});
    link.threadId = api.threadId(link.connection.get());
    interrupt_ = std::make_unique<MariadbInterrupt>(api, link.login, link.threadId, link.busy);
  }

  std::unique_ptr<ProviderCursor> Execute(std::string_view sql) override {
    MariadbLink& link = *link_;
    // Refused as every provider refuses it, so that such a text means the same on every road: most
    // read it as a C string and would run only what comes before the NUL.
    if (sql.find('\0') != std::string_view::npos) {
      link.errors->Raise(kStatementError, kMariadbSource, "The statement contains a NUL character.");
    }
    FreeConnection();
    affected_ = -1;
    MariadbBusy busy(link);
    if (link.api->realQuery(link.connection.get(), sql.data(), sql.size()) != 0) link.Raise("Running the statement");
    // The first result with columns is the one shown; the statements before it have run, and their
    // counts add up in case none has rows.
    const bool oneStatement = HoldsOneStatement(sql);
    std::int64_t affected = -1;
    for (bool first = true;; first = false) {
      if (std::unique_ptr<ProviderCursor> rows = RowsOfCurrent(first && oneStatement)) return rows;
      if (const std::int64_t count = AffectedByCurrent(); count >= 0)
        affected = std::max<std::int64_t>(affected, 0) + count;
      link.ResultEnded();
      if (!MoveToNextResult()) break;
    }
    affected_ = affected;
    return nullptr;
  }

  bool NextResult(std::unique_ptr<ProviderCursor>& rows) override {
    MariadbLink& link = *link_;
    if (link.streaming != nullptr) return false;
    MariadbBusy busy(link);
    if (!MoveToNextResult()) return false;
    rows = RowsOfCurrent(false);
    affected_ = -1;
    if (!rows) {
      affected_ = AffectedByCurrent();
      link.ResultEnded();
    }
    return true;
  }

  std::int64_t RowsAffected() const override { return affected_; }

  std::vector<ServerMessage> TakeMessages() override { return std::exchange(link_->messages, {}); }

  std::vector<ConnectionFact> Describe() override {
    const MariadbApi& api = *link_->api;
    MYSQL* connection = link_->connection.get();
    std::vector<ConnectionFact> facts;
    facts.push_back({kFactProvider, std::string("MariaDB Connector/C ") + api.clientInfo()});
    const auto text = [&](mariadb_value value) {
      const char* found = nullptr;
      if (api.getInfo(connection, value, &found) != 0 || found == nullptr) return std::string();
      return std::string(found);
    };
    unsigned int transport = PVIO_TYPE_SOCKET;
    api.getInfo(connection, MARIADB_CONNECTION_PVIO_TYPE, &transport);
    if (transport == PVIO_TYPE_UNIXSOCKET) {
      facts.push_back({kFactHost, text(MARIADB_CONNECTION_UNIX_SOCKET)});
    } else {
      facts.push_back({kFactHost, text(MARIADB_CONNECTION_HOST)});
      unsigned int port = 0;
      if (api.getInfo(connection, MARIADB_CONNECTION_PORT, &port) == 0)
        facts.push_back({kFactPort, std::to_string(port)});
    }
    if (const std::string database = text(MARIADB_CONNECTION_SCHEMA); !database.empty()) {
      facts.push_back({kFactDatabase, database});
    }
    facts.push_back({kFactUser, text(MARIADB_CONNECTION_USER)});
    facts.push_back({kFactServer, api.serverInfo(connection)});
    facts.push_back({kFactTls, api.sslCipher(connection) != nullptr ? "yes" : "no"});
    unsigned int status = 0;
    if (api.getInfo(connection, MARIADB_CONNECTION_SERVER_STATUS, &status) == 0) {
      facts.push_back({kFactTransaction, (status & SERVER_STATUS_IN_TRANS) != 0 ? "open" : "idle"});
    }
    return facts;
  }

  std::unique_ptr<ProviderCursor> OpenSchema(SchemaKind schema) override {
    std::string_view sql;
    if (schema == SchemaKind::kTables) {
      sql = kTablesQuery;
    } else if (schema == SchemaKind::kCatalogs) {
      sql = kCatalogsQuery;
    } else {
      link_->errors->Raise(kNotSupported, kMariadbSource, "This kind of schema information cannot be listed.");
    }
    std::unique_ptr<ProviderCursor> cursor = Execute(sql);
    if (!cursor) link_->errors->Raise(kProviderFailed, kMariadbSource, "The schema query returned no result.");
    return cursor;
  }

  std::unique_ptr<ProviderCursor> OpenColumns(std::string_view table) override;

  bool Lost() const override { return link_->lost; }

  // Runs in a signal handler: only wakes the helper that sends KILL QUERY.
  void Interrupt() noexcept override {
    if (link_->busy.load() && interrupt_) interrupt_->Wake();
  }

 private:
  // Before a statement: the rows of a result still arriving are set aside in its cursor, and what
  // is left of the text run before is read and dropped.
  void FreeConnection() {
    if (link_->streaming != nullptr) link_->streaming->SetAside();
    link_->DropPending();
  }

  // A cursor on the current result when it has columns; null when its statement returned none.
  std::unique_ptr<ProviderCursor> RowsOfCurrent(bool killable) {
    MariadbLink& link = *link_;
    if (link.api->fieldCount(link.connection.get()) == 0) return nullptr;
    MariadbResult result(link.api->useResult(link.connection.get()), MariadbResultFree{link.api});
    if (!result) link.Raise("Reading the result");
    return std::make_unique<MariadbCursor>(link_, std::move(result), killable);
  }

  std::int64_t AffectedByCurrent() const {
    const my_ulonglong count = link_->api->affectedRows(link_->connection.get());
    return count == static_cast<my_ulonglong>(-1) ? -1 : static_cast<std::int64_t>(count);
  }

  // Moves to the text's next result; false when there is none. A failure of its statement is raised.
  bool MoveToNextResult() {
    MariadbLink& link = *link_;
    if (!link.api->moreResults(link.connection.get())) return false;
    const int next = link.api->nextResult(link.connection.get());
    if (next > 0) link.Raise("Running the statement");
    return next == 0;
  }

  std::shared_ptr<MariadbLink> link_;
  std::int64_t affected_ = -1;
  // Declared last, so that it is destroyed first: its helper reads the link's login.
  std::unique_ptr<MariadbInterrupt> interrupt_;
};

// The prepared statement's result columns are fetched as text, each into a buffer as long as the
// longest value of its column (which the library measures when it stores the result).
std::unique_ptr<ProviderCursor> MariadbSession::OpenColumns(std::string_view table) {
  MariadbLink& link = *link_;
  const MariadbApi& api = *link.api;
  FreeConnection();
  MariadbBusy busy(link);
  const auto fail = [&](MYSQL_STMT* statement) {
    if (IsMariadbLostLinkCode(api.stmtErrorNumber(statement))) link.lost = true;
    link.errors->Raise({MariadbStatementFailure(api, statement, link.login.secrets)});
  };
  MariadbStatement statement(api.stmtInit(link.connection.get()), MariadbStatementClose{&api});
  if (!statement) link.Raise("Listing the columns");
  const std::string sql =
      ColumnsQuery(std::string_view(api.serverInfo(link.connection.get())).find("MariaDB") != std::string_view::npos);
  if (api.stmtPrepare(statement.get(), sql.data(), sql.size()) != 0) fail(statement.get());
  std::string name(table);
  MYSQL_BIND parameter{};
  parameter.buffer_type = MYSQL_TYPE_STRING;
  parameter.buffer = name.data();
  parameter.buffer_length = name.size();
  const my_bool measure = 1;
  if (api.stmtBindParam(statement.get(), &parameter) != 0 || api.stmtExecute(statement.get()) != 0 ||
      api.stmtAttrSet(statement.get(), STMT_ATTR_UPDATE_MAX_LENGTH, &measure) != 0 ||
      api.stmtStoreResult(statement.get()) != 0) {
    fail(statement.get());
  }
  MariadbResult metadata(api.stmtResultMetadata(statement.get()), MariadbResultFree{&api});
  if (!metadata) fail(statement.get());
  const unsigned int columns = api.numFields(metadata.get());
  const MYSQL_FIELD* fields = api.fetchFields(metadata.get());
  std::vector<std::string> names;
  std::vector<MariadbValueKind> kinds;
  std::vector<std::string> buffers(columns);
  std::vector<unsigned long> lengths(columns);
  std::vector<my_bool> nulls(columns);
  std::vector<MYSQL_BIND> binds(columns);
  for (unsigned int c = 0; c < columns; ++c) {
    names.emplace_back(fields[c].name, fields[c].name_length);
    kinds.push_back(KindOfField(fields[c]));
    buffers[c].resize(fields[c].max_length + 1);
    binds[c].buffer_type = MYSQL_TYPE_STRING;
    binds[c].buffer = buffers[c].data();
    binds[c].buffer_length = buffers[c].size();
    binds[c].length = &lengths[c];
    binds[c].is_null = &nulls[c];
  }
  if (api.stmtBindResult(statement.get(), binds.data()) != 0) fail(statement.get());
  std::vector<MariadbHeldRows::Row> rows;
  for (;;) {
    const int fetched = api.stmtFetch(statement.get());
    if (fetched == MYSQL_NO_DATA) break;
    if (fetched != 0 && fetched != MYSQL_DATA_TRUNCATED) fail(statement.get());
    MariadbHeldRows::Row& row = rows.emplace_back();
    for (unsigned int c = 0; c < columns; ++c) {
      if (nulls[c]) {
        row.emplace_back();
        continue;
      }
      std::string value(lengths[c], '\0');
      if (lengths[c] < buffers[c].size()) {
        std::memcpy(value.data(), buffers[c].data(), lengths[c]);
      } else {
        // Longer than the library measured: read again whole.
        MYSQL_BIND whole{};
        whole.buffer_type = MYSQL_TYPE_STRING;
        whole.buffer = value.data();
        whole.buffer_length = value.size();
        if (api.stmtFetchColumn(statement.get(), &whole, c, 0) != 0) fail(statement.get());
      }
      row.emplace_back(std::move(value));
    }
  }
  return std::make_unique<MariadbHeldRows>(std::move(names), std::move(kinds), std::move(rows));
}

}  // namespace

ErrorRecord MariadbLink::Failure(std::string_view doing) {
  if (IsMariadbLostLinkCode(api->errorNumber(connection.get()))) lost = true;
  return MariadbFailure(*api, connection.get(), login.secrets, doing);
}

// SHOW WARNINGS is the one statement this provider sends on the session's connection on its own. It
// only reads the server's list of the last statement's warnings (and leaves it as it was), and it
// is what the server offers for exactly this. The list holds the last statement's only, so the
// warnings of a statement followed by others in its text can only be counted.
void MariadbLink::ResultEnded() {
  MYSQL* handle = connection.get();
  const unsigned int count = api->warningCount(handle);
  if (count == 0) return;
  if (api->moreResults(handle)) {
    messages.push_back({"WARNING", std::to_string(count) + (count == 1 ? " warning" : " warnings") +
                                       " from a statement followed by others in its text; the server tells the text "
                                       "of the last statement's warnings only."});
    return;
  }
  constexpr std::string_view kShowWarnings = "SHOW WARNINGS";
  MariadbBusy busy(*this);
  if (api->realQuery(handle, kShowWarnings.data(), kShowWarnings.size()) != 0) {
    messages.push_back({"WARNING", std::to_string(count) +
                                       " warnings could not be read: " + Failure("Reading the warnings").description});
    return;
  }
  MariadbResult result(api->storeResult(handle), MariadbResultFree{api});
  unsigned int shown = 0;
  if (result && api->numFields(result.get()) >= 3) {
    while (MYSQL_ROW row = api->fetchRow(result.get())) {
      const unsigned long* lengths = api->fetchLengths(result.get());
      std::string level = row[0] != nullptr ? std::string(row[0], lengths[0]) : "WARNING";
      for (char& c : level) c = AsciiUpper(c);
      std::string text = row[2] != nullptr ? std::string(row[2], lengths[2]) : "";
      if (row[1] != nullptr) text += " (" + std::string(row[1], lengths[1]) + ")";
      messages.push_back({std::move(level), std::move(text)});
      ++shown;
    }
  }
  if (shown < count) {
    messages.push_back({"WARNING", std::to_string(count - shown) + " more warnings were not kept by the server "
                                                                   "(max_error_count)."});
  }
}

void MariadbLink::DropPending() {
  MYSQL* handle = connection.get();
  MariadbBusy busy(*this);
  while (api->moreResults(handle)) {
    const int next = api->nextResult(handle);
    if (next > 0) {
      messages.push_back({"ERROR", Failure("Running the statement").description});
      return;
    }
    if (next < 0) return;
    if (MYSQL_RES* rows = api->useResult(handle)) api->freeResult(rows);
  }
}

bool ConnectMariadb(const MariadbApi& api, MYSQL* connection, const MariadbLogin& login, const MariadbHost& host,
                    ConnectPurpose purpose, std::string& refusedOption) {
  if (std::optional<std::string> refused = SetOptions(api, connection, login, purpose)) {
    refusedOption = std::move(*refused);
    return false;
  }
  const bool session = purpose == ConnectPurpose::kSession;
  const unsigned long flags = session ? CLIENT_MULTI_STATEMENTS | CLIENT_MULTI_RESULTS : 0;
  return api.realConnect(connection, TextOrNull(host.name), TextOrNull(login.user), TextOrNull(login.password),
                         session ? TextOrNull(login.database) : nullptr, host.port != 0 ? host.port : login.port,
                         TextOrNull(login.unixSocket), flags) != nullptr;
}

std::unique_ptr<ProviderSession> MakeMariadbSession(const MariadbApi& api, MariadbLogin login,
                                                    std::shared_ptr<ErrorList> errors) {
  return std::make_unique<MariadbSession>(api, std::move(login), std::move(errors));
}

}  // namespace ql::access
