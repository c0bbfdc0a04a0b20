#include <charconv>
#include <cstring>
#include <utility>

#include "access/ascii.h"
#include "access/core/provider_table.h"
#include "access/core/sql_state.h"
#include "access/postgres/pg_connect.h"
#include "access/postgres/pg_cursor.h"
#include "access/postgres/pg_errors.h"
#include "access/postgres/pg_keys.h"
#include "access/postgres/pg_session.h"

namespace ql::access {
namespace {

constexpr const char* kSource = kPostgresSource;

// "libpq 15.20"; empty when libpq cannot be loaded. Loads it.
std::string LibpqVersion();

// Rows per result where libpq can deliver them in chunks (release 17 and later).
constexpr int kChunkRows = 256;

const LibpqApi& RequireLibpq(ErrorList& errors) {
  std::string why;
  const LibpqApi* api = LoadLibpq(why);
  if (api == nullptr) {
    errors.Raise(kProviderFailed, kSource,
                 "PostgreSQL's client library cannot be loaded (" + why + "); install the Debian package " +
                     kLibpqPackage + ".");
  }
  return *api;
}

std::vector<std::string> LibpqKeywords(const LibpqApi& api) {
  std::vector<std::string> keywords;
  PQconninfoOption* options = api.conndefaults();
  if (options == nullptr) return keywords;
  for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
    keywords.emplace_back(option->keyword);
  }
  api.conninfoFree(options);
  return keywords;
}

// The columns of the table the parameter names, resolved as the server resolves a name in a
// statement (unquoted letters folded, quotes kept, a schema or the search_path). COLUMN_SIZE is the
// declared length of a character or bit string (bpchar 1042, varchar 1043, bit 1560, varbit 1562) and
// the declared precision of a numeric (1700), a domain's taken from its base type; NULL for others.
constexpr const char* kColumnsQuery =
    "SELECT a.attname::text AS \"COLUMN_NAME\", pg_catalog.format_type(a.atttypid, NULL) AS \"TYPE_NAME\", "
    "CASE WHEN m.typmod < 0 THEN NULL WHEN m.base IN (1042, 1043) THEN m.typmod - 4 "
    "WHEN m.base IN (1560, 1562) THEN m.typmod WHEN m.base = 1700 THEN ((m.typmod - 4) >> 16) & 65535 "
    "END AS \"COLUMN_SIZE\", "
    "CASE WHEN a.attnotnull THEN 'NO' ELSE 'YES' END AS \"IS_NULLABLE\", "
    "pg_catalog.pg_get_expr(d.adbin, d.adrelid) AS \"COLUMN_DEFAULT\" "
    "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
    "CROSS JOIN LATERAL (SELECT CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE a.atttypid END AS base, "
    "CASE WHEN t.typtype = 'd' THEN t.typtypmod ELSE a.atttypmod END AS typmod) m "
    "LEFT JOIN pg_catalog.pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
    "WHERE a.attrelid = pg_catalog.to_regclass($1) AND a.attnum > 0 AND NOT a.attisdropped "
    "ORDER BY a.attnum";

// The rows a command's status counts ("3" of "UPDATE 3"); -1 for a command that counts none.
std::int64_t CountOf(const char* tuples) {
  std::int64_t count = -1;
  if (tuples == nullptr) return count;
  const std::string_view text(tuples);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (error != std::errc() || end != text.data() + text.size()) return -1;
  return count;
}

// True when the text's first word, past blanks and comments, is ROLLBACK or ABORT: the statement
// itself asks to roll back. Only read, never changed.
bool AsksToRollBack(std::string_view sql) {
  std::size_t at = 0;
  for (;;) {
    while (at < sql.size() && (sql[at] == ' ' || sql[at] == '\t' || sql[at] == '\n' || sql[at] == '\r' ||
                               sql[at] == '\f' || sql[at] == '\v')) {
      ++at;
    }
    if (sql.substr(at, 2) == "--") {
      at = sql.find('\n', at);
      if (at == std::string_view::npos) return false;
    } else if (sql.substr(at, 2) == "/*") {
      // Block comments nest in PostgreSQL.
      int depth = 0;
      do {
        if (sql.substr(at, 2) == "/*") {
          ++depth;
          at += 2;
        } else if (sql.substr(at, 2) == "*/") {
          --depth;
          at += 2;
        } else {
          ++at;
        }
      } while (depth > 0 && at < sql.size());
    } else {
      break;
    }
  }
  std::size_t end = at;
  while (end < sql.size() && ((sql[end] >= 'A' && sql[end] <= 'Z') || (sql[end] >= 'a' && sql[end] <= 'z'))) ++end;
  const std::string_view word = sql.substr(at, end - at);
  return EqualsIgnoringCase(word, "ROLLBACK") || EqualsIgnoringCase(word, "ABORT");
}

const char* TransactionState(PGTransactionStatusType status) {
  switch (status) {
    case PQTRANS_IDLE:
      return "idle";
    case PQTRANS_ACTIVE:
      return "active";
    case PQTRANS_INTRANS:
      return "open";
    case PQTRANS_INERROR:
      return "failed";
    case PQTRANS_UNKNOWN:
      break;
  }
  return "unknown";
}

class PgSession final : public ProviderSession {
 public:
  PgSession(const LibpqApi& api, LibpqParams params, std::shared_ptr<ErrorList> errors)
      : link_(std::make_shared<PgLink>()) {
    PgLink& link = *link_;
    link.api = &api;
    link.errors = std::move(errors);
    link.secrets = params.secrets;
    struct Wiper {
      LibpqParams& params;
      // The values hold the password; they should not outlive the call that needed them.
      ~Wiper() {
        for (std::string& value : params.values) explicit_bzero(value.data(), value.size());
        for (std::string& secret : params.secrets) explicit_bzero(secret.data(), secret.size());
      }
    } wiper{params};
    Connect(params);
    link.canceller =
        std::make_unique<PgCanceller>(api, PgCancel(api.getCancel(link.connection.get()), PgCancelFree{&api}));
  }

  ~PgSession() override {
    // Wipes the passwords this session kept for its reports.
    for (std::string& secret : link_->secrets) explicit_bzero(secret.data(), secret.size());
  }

  std::unique_ptr<ProviderCursor> Execute(std::string_view sql) override {
    PgLink& link = *link_;
    const LibpqApi& api = *link.api;
    // libpq reads the text as a C string: whatever followed a NUL would be dropped without a word.
    if (sql.find('\0') != std::string_view::npos) {
      link.errors->Raise(kStatementError, kSource, "The statement contains a NUL character.");
    }
    FreeConnection();
    // In a transaction that failed every statement fails but COMMIT and its kin, which the server
    // answers with ROLLBACK; so only a text's first statement can be one, and it is watched.
    watchRollback_ = api.transactionStatus(link.connection.get()) == PQTRANS_INERROR && !AsksToRollBack(sql);
    const std::string text(sql);
    // A Ctrl-C that came after the last statement ended asked to stop that one, not this.
    link.SettleCancels();
    BusyLink busy(link);
    if (api.sendQuery(link.connection.get(), text.c_str()) == 0) link.RaiseConnection("Sending the statement");
    link.unfinished = true;
    const bool chunked =
        api.setChunkedRowsMode != nullptr && api.setChunkedRowsMode(link.connection.get(), kChunkRows) != 0;
    if (!chunked) api.setSingleRowMode(link.connection.get());
    // A text may hold several statements; the first result with columns is the current one, the
    // statements after it run on while its rows are read, and their results wait for NextResult.
    bool ranBefore = false;
    for (;;) {
      PgResult rows{nullptr, PgResultFree{&api}};
      switch (ReadResult(rows)) {
        case Read::kEnd:
          return nullptr;
        case Read::kCommand:
          ranBefore = true;
          break;
        case Read::kRows:
          return std::make_unique<PgCursor>(link_, std::move(rows), !ranBefore);
      }
    }
  }

  bool NextResult(std::unique_ptr<ProviderCursor>& rows) override {
    rows.reset();
    // A cursor still reading its rows stands before the results that follow.
    if (link_->streaming != nullptr || !link_->unfinished) return false;
    PgResult first{nullptr, PgResultFree{link_->api}};
    switch (ReadResult(first)) {
      case Read::kEnd:
        return false;
      case Read::kCommand:
        return true;
      case Read::kRows:
        // Statements before it have run: cancelling it would undo them too.
        rows = std::make_unique<PgCursor>(link_, std::move(first), false);
        return true;
    }
    return false;
  }

  std::int64_t RowsAffected() const override { return link_->affected; }

  // Taken while a cursor reads ahead: the messages have a lock of their own.
  std::vector<ServerMessage> TakeMessages() override { return link_->TakeMessages(); }

  std::unique_ptr<ProviderCursor> OpenColumns(std::string_view table) override {
    PgLink& link = *link_;
    const LibpqApi& api = *link.api;
    if (table.find('\0') != std::string_view::npos) {
      link.errors->Raise(kStatementError, kSource, "The table name contains a NUL character.");
    }
    FreeConnection();
    watchRollback_ = false;
    const std::string name(table);
    const char* const values[] = {name.c_str()};
    link.SettleCancels();
    BusyLink busy(link);
    if (api.sendQueryParams(link.connection.get(), kColumnsQuery, 1, nullptr, values, nullptr, nullptr, 0) == 0) {
      link.RaiseConnection("Sending the query for the columns");
    }
    link.unfinished = true;
    // Not in single-row mode: the whole (small) result comes at once, and the connection is free again.
    PgResult rows{nullptr, PgResultFree{&api}};
    const Read read = ReadResult(rows);
    link.Drain(PgWait::kAsLongAsItTakes);
    link.RequireUsable();
    if (read != Read::kRows) {
      link.errors->Raise(kProviderFailed, kSource, "The query for the columns returned no rows.");
    }
    return std::make_unique<PgCursor>(link_, std::move(rows), true);
  }

  std::vector<ConnectionFact> Describe() override {
    Settle();
    const LibpqApi& api = *link_->api;
    PGconn* connection = link_->connection.get();
    std::vector<ConnectionFact> facts{{kFactProvider, "PostgreSQL (" + LibpqVersion() + ")"}};
    const auto add = [&facts](const char* name, const char* value) {
      if (value != nullptr && *value != '\0') facts.push_back({name, value});
    };
    // libpq's own record of the connection, never the password: after a list of hosts, the one reached.
    add(kFactHost, api.host(connection));
    add(kFactPort, api.port(connection));
    add(kFactDatabase, api.db(connection));
    add(kFactUser, api.user(connection));
    add(kFactServer, api.parameterStatus(connection, "server_version"));
    if (api.sslInUse != nullptr) add(kFactTls, api.sslInUse(connection) != 0 ? "yes" : "no");
    add(kFactTransaction, TransactionState(api.transactionStatus(connection)));
    return facts;
  }

  std::unique_ptr<ProviderCursor> OpenSchema(SchemaKind schema) override {
    const char* sql = nullptr;
    if (schema == SchemaKind::kTables) {
      // The tables and views of the database in use, in every schema but the server's storage
      // schemas and other sessions' temporary ones; those of pg_catalog and information_schema are
      // SYSTEM TABLE. Tables first, then views, then the system's, each by schema and name.
      sql =
          "SELECT current_database()::text AS \"TABLE_CATALOG\", n.nspname::text AS \"TABLE_SCHEMA\", "
          "c.relname::text AS \"TABLE_NAME\", "
          "CASE WHEN n.nspname IN ('pg_catalog', 'information_schema') THEN 'SYSTEM TABLE' "
          "WHEN c.relkind IN ('v', 'm') THEN 'VIEW' ELSE 'TABLE' END AS \"TABLE_TYPE\" "
          "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
          "WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') AND n.nspname NOT LIKE 'pg\\_toast%' "
          "AND (n.nspname NOT LIKE 'pg\\_temp\\_%' OR n.oid = pg_catalog.pg_my_temp_schema()) "
          "ORDER BY CASE WHEN n.nspname IN ('pg_catalog', 'information_schema') THEN 2 "
          "WHEN c.relkind IN ('v', 'm') THEN 1 ELSE 0 END, 2, 3";
    } else if (schema == SchemaKind::kCatalogs) {
      sql =
          "SELECT datname::text AS \"CATALOG_NAME\" FROM pg_catalog.pg_database "
          "WHERE datallowconn ORDER BY 1";
    } else {
      link_->errors->Raise(kNotSupported, kSource, "This kind of schema information cannot be listed.");
    }
    std::unique_ptr<ProviderCursor> cursor = Execute(sql);
    if (!cursor) link_->errors->Raise(kProviderFailed, kSource, "The schema query returned no result.");
    return cursor;
  }

  // From a signal handler: the canceller's thread sends the request, and the wait under way gives
  // the server a limited time to answer it.
  void Interrupt() noexcept override {
    if (link_->busy.load() && link_->canceller) link_->canceller->Request();
  }

  bool Lost() const override {
    Settle();
    return link_->Gone();
  }

 private:
  enum class Read { kEnd, kCommand, kRows };

  // Reads the next result of the text last sent, past empty ones: kRows with `rows` holding the first
  // piece of a result with columns, kCommand for a statement without rows (the link's `affected`
  // then tells what it changed), kEnd once the text has no result left. A failure, or a COPY, is
  // raised once the text's remaining results are drained, so the connection stays usable.
  Read ReadResult(PgResult& rows) {
    PgLink& link = *link_;
    const LibpqApi& api = *link.api;
    BusyLink busy(link);
    for (;;) {
      PgResult result = link.NextResult(PgWait::kAsLongAsItTakes);
      link.RequireUsable();
      const bool watched = std::exchange(watchRollback_, false);
      if (!result) {
        link.unfinished = false;
        return Read::kEnd;
      }
      const ExecStatusType status = api.resultStatus(result.get());
      if (status == PGRES_EMPTY_QUERY) continue;
      if (status == PGRES_COMMAND_OK) {
        link.affected = CountOf(api.cmdTuples(result.get()));
        if (watched && std::strcmp(api.cmdStatus(result.get()), "ROLLBACK") == 0) {
          link.Tell({"WARNING", "the transaction was rolled back, not committed: an earlier statement in it failed"});
        }
        return Read::kCommand;
      }
      if (status == PGRES_COPY_OUT || status == PGRES_COPY_IN || status == PGRES_COPY_BOTH) {
        result.reset();
        link.Drain(PgWait::kAsLongAsItTakes);  // ends the copy, so the connection stays usable
        link.RequireUsable();
        link.errors->Raise(kNotSupported, kSource, "COPY to or from the client is not supported here.");
      }
      if (status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE || status == PGRES_NONFATAL_ERROR) {
        std::vector<ErrorRecord> failure = link.Records(result.get());
        result.reset();
        link.Drain(PgWait::kAsLongAsItTakes);
        link.errors->Raise(std::move(failure));
      }
      rows = std::move(result);
      return Read::kRows;
    }
  }

  // The connection and the link are this thread's again: a cursor reading its rows ahead on a thread
  // of its own stops (PgReadAhead).
  void Settle() const {
    if (link_->streaming != nullptr) link_->streaming->Pause();
  }

  // Frees the connection for another text: the results of the text before it that are still on
  // the connection are dropped. The layer has read the rows of a result still arriving into its
  // cursor's store by now (HoldsSession); a cursor it left is ended where it stands.
  void FreeConnection() {
    Settle();
    link_->RequireUsable();
    if (link_->streaming != nullptr) link_->streaming->Drop();
    if (link_->unfinished) link_->Drain(PgWait::kBounded);
    link_->RequireUsable();
  }

  void Connect(const LibpqParams& params) {
    PgLink& link = *link_;
    const LibpqApi& api = *link.api;
    std::vector<const char*> keywords;
    std::vector<const char*> values;
    for (std::size_t i = 0; i < params.keywords.size(); ++i) {
      keywords.push_back(params.keywords[i].c_str());
      values.push_back(params.values[i].c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    PgConnectOutcome outcome = ConnectEachHostWithin(
        api, keywords, values, params.expandDbname,
        [](const LibpqApi& libpq, PGconn* connection, void* context) {
          // The server's notices are kept for TakeMessages, from the first one sent while connecting,
          // rather than written to standard error as libpq would: the layer prints nothing.
          libpq.setNoticeReceiver(connection, &PgLink::Notice, context);
          // Verbose, so that a refused login names its SQLSTATE in the message.
          libpq.setErrorVerbosity(connection, PQERRORS_VERBOSE);
        },
        &link);
    link.connection = std::move(outcome.connection);
    if (!link.connection) link.errors->Raise(kOutOfMemory, kSource, "libpq could not allocate a connection.");
    PGconn* connection = link.connection.get();
    if (outcome.timedOut) {
      link.errors->Raise(kProviderFailed, kSource,
                         outcome.givenUp.empty() ? "The server did not answer within " +
                                                       std::to_string(outcome.seconds) + " seconds (Connect Timeout)."
                                                 : WithoutSecrets(OneLine(outcome.givenUp), link.secrets));
    }
    if (api.status(connection) != CONNECTION_OK) {
      const std::string message = outcome.givenUp + api.errorMessage(connection);
      std::string state;
      std::string text;
      if (FindServerState(message, state, text)) {
        link.errors->Raise(MapSqlState(state), kSource,
                           WithoutSecrets(OneLine(text), link.secrets) + " (SQLSTATE " + state + ")");
      }
      std::string description = WithoutSecrets(OneLine(message), link.secrets);
      if (description.empty()) description = "Connecting failed, and libpq gave no reason.";
      link.errors->Raise(kProviderFailed, kSource, std::move(description));
    }
    api.setErrorVerbosity(connection, PQERRORS_DEFAULT);
  }

  std::shared_ptr<PgLink> link_;
  // The next result read is the first of a text sent in a failed transaction whose first word does
  // not ask to roll back: a ROLLBACK then means the work was not committed.
  bool watchRollback_ = false;
};

// Connects with the OLE DB keys of `pairs` (the Provider key already removed); the provider reads
// them itself, knowing libpq's own keys once it is loaded.
std::unique_ptr<ProviderSession> OpenPostgresSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors) {
  const LibpqApi& api = RequireLibpq(*errors);
  LibpqParams params = PostgresKeys(pairs, LibpqKeywords(api), *errors);
  return std::make_unique<PgSession>(api, std::move(params), std::move(errors));
}

// Connects with a PostgreSQL URI, handed to libpq as it stands.
std::unique_ptr<ProviderSession> OpenPostgresUriSession(const ConnectionString& pairs,
                                                        std::shared_ptr<ErrorList> errors) {
  const LibpqApi& api = RequireLibpq(*errors);
  LibpqParams params = PostgresUri(pairs.Find("URI").value_or(""), pairs.Find("User ID").value_or(""),
                                   pairs.Find("Password").value_or(""));
  return std::make_unique<PgSession>(api, std::move(params), std::move(errors));
}

std::string LibpqVersion() {
  std::string why;
  const LibpqApi* api = LoadLibpq(why);
  if (api == nullptr) return {};
  const int version = api->libVersion();
  // 150020 is 15.20; before release 10 the middle two digits were the minor release.
  if (version >= 100000) return "libpq " + std::to_string(version / 10000) + "." + std::to_string(version % 10000);
  return "libpq " + std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." +
         std::to_string(version % 100);
}

}  // namespace

// PostgreSQL through libpq, which is loaded when the first PostgreSQL connection opens.
constinit const ProviderEntry kPostgresProvider{
    .names = {"PostgreSQL", "PostgreSQL.1"},
    .open = &OpenPostgresSession,
    .version = &LibpqVersion,
    .claims = &IsPostgresUri,
    .openClaimed = &OpenPostgresUriSession,
};

}  // namespace ql::access
