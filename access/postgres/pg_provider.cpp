#include "access/postgres/pg_provider.h"

#include <poll.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>

#include "access/postgres/pg_cursor.h"
#include "access/postgres/pg_keys.h"
#include "access/postgres/pg_link.h"
#include "access/core/sql_state.h"

namespace ql::access {
namespace {

constexpr const char* kSource = "PostgreSQL";

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

// The SQLSTATE and the server's message in a verbose connection failure, which reads
// "...failed: FATAL:  28P01: password authentication failed for user ...".
bool FindServerState(std::string_view message, std::string& state, std::string& text) {
  for (std::size_t at = message.find(":  "); at != std::string_view::npos; at = message.find(":  ", at + 1)) {
    const std::string_view rest = message.substr(at + 3);
    if (rest.size() < 7 || rest.substr(5, 2) != ": ") continue;
    bool code = true;
    for (char c : rest.substr(0, 5)) code = code && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'));
    if (!code) continue;
    state = std::string(rest.substr(0, 5));
    const std::string_view line = rest.substr(7);
    text = std::string(line.substr(0, line.find('\n')));
    return true;
  }
  return false;
}

// The connect_timeout the connection was given, by its keys or by its URI; 15 seconds when libpq
// cannot tell (it has refused the value by then), 0 for no limit.
int ConnectTimeoutSeconds(const LibpqApi& api, PGconn* connection) {
  std::string value(kDefaultConnectTimeout);
  if (PQconninfoOption* options = api.conninfo(connection)) {
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
      if (std::strcmp(option->keyword, "connect_timeout") == 0 && option->val != nullptr) value = option->val;
    }
    api.conninfoFree(options);
  }
  int seconds = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (error != std::errc() || end != value.data() + value.size() || seconds < 0) return 15;
  return seconds;
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
    link.cancel = PgCancel(api.getCancel(link.connection.get()), PgCancelFree{&api});
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
    if (link.streaming != nullptr) link.streaming->SetAside();
    const std::string text(sql);
    BusyLink busy(link);
    if (api.sendQuery(link.connection.get(), text.c_str()) == 0) link.RaiseConnection("Sending the statement");
    const bool chunked = api.setChunkedRowsMode != nullptr &&
                         api.setChunkedRowsMode(link.connection.get(), kChunkRows) != 0;
    if (!chunked) api.setSingleRowMode(link.connection.get());
    // A text may hold several statements; the first result with columns is the one shown, and the
    // statements after it run on while its rows are read.
    bool ranBefore = false;
    for (;;) {
      PgResult result(api.getResult(link.connection.get()), PgResultFree{&api});
      if (!result) return nullptr;
      const ExecStatusType status = api.resultStatus(result.get());
      if (status == PGRES_COMMAND_OK || status == PGRES_EMPTY_QUERY || status == PGRES_COPY_OUT ||
          status == PGRES_COPY_IN || status == PGRES_COPY_BOTH) {
        if (status != PGRES_COMMAND_OK && status != PGRES_EMPTY_QUERY) {
          result.reset();
          link.Drain();  // ends the copy, so the connection stays usable
          link.errors->Raise(kNotSupported, kSource, "COPY to or from the client is not supported here.");
        }
        ranBefore = ranBefore || status == PGRES_COMMAND_OK;
        continue;
      }
      if (status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE || status == PGRES_NONFATAL_ERROR) {
        std::vector<ErrorRecord> failure = link.Records(result.get());
        result.reset();
        link.Drain();
        link.errors->Raise(std::move(failure));
      }
      return std::make_unique<PgCursor>(link_, std::move(result), !ranBefore);
    }
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
      sql = "SELECT datname::text AS \"CATALOG_NAME\" FROM pg_catalog.pg_database "
            "WHERE datallowconn ORDER BY 1";
    } else {
      link_->errors->Raise(kNotSupported, kSource, "This kind of schema information cannot be listed.");
    }
    std::unique_ptr<ProviderCursor> cursor = Execute(sql);
    if (!cursor) link_->errors->Raise(kProviderFailed, kSource, "The schema query returned no result.");
    return cursor;
  }

  // PQcancel may be called from a signal handler: it only opens a socket to the server, writes the
  // request and closes it.
  void Interrupt() noexcept override {
    if (!link_->busy.load() || !link_->cancel) return;
    char reason[256];
    link_->api->cancel(link_->cancel.get(), reason, sizeof reason);
  }

 private:
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
    link.connection = PgConnection(api.connectStartParams(keywords.data(), values.data(), params.expandDbname ? 1 : 0),
                                   PgConnectionFree{&api});
    if (!link.connection) link.errors->Raise(kOutOfMemory, kSource, "libpq could not allocate a connection.");
    PGconn* connection = link.connection.get();
    // The server's notices are not written to standard error as libpq would: the layer prints
    // nothing, and a notice is no failure.
    api.setNoticeProcessor(connection, [](void*, const char*) {}, nullptr);
    // Verbose, so that a refused login names its SQLSTATE in the message.
    api.setErrorVerbosity(connection, PQERRORS_VERBOSE);
    const int seconds = ConnectTimeoutSeconds(api, connection);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (api.status(connection) != CONNECTION_BAD && polling != PGRES_POLLING_OK && polling != PGRES_POLLING_FAILED) {
      pollfd ready{api.socket(connection), static_cast<short>(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
      int wait = -1;
      if (seconds > 0) {
        wait = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
        if (wait <= 0) {
          link.errors->Raise(kProviderFailed, kSource,
                             "The server did not answer within " + std::to_string(seconds) + " seconds (Connect Timeout).");
        }
      }
      if (ready.fd >= 0) {
        const int rc = ::poll(&ready, 1, wait);
        if (rc < 0 && errno != EINTR) break;
        if (rc <= 0) continue;
      }
      polling = api.connectPoll(connection);
    }
    if (api.status(connection) != CONNECTION_OK) {
      const std::string message = api.errorMessage(connection);
      std::string state;
      std::string text;
      if (FindServerState(message, state, text)) {
        link.errors->Raise(MapSqlState(state), kSource,
                           WithoutSecrets(OneLine(text), link.secrets) + " (SQLSTATE " + state + ")");
      }
      link.RaiseConnection("Connecting");
    }
    api.setErrorVerbosity(connection, PQERRORS_DEFAULT);
  }

  std::shared_ptr<PgLink> link_;
};

}  // namespace

std::unique_ptr<ProviderSession> OpenPostgresSession(const ConnectionString& pairs,
                                                     std::shared_ptr<ErrorList> errors) {
  const LibpqApi& api = RequireLibpq(*errors);
  LibpqParams params = PostgresKeys(pairs, LibpqKeywords(api), *errors);
  return std::make_unique<PgSession>(api, std::move(params), std::move(errors));
}

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

}  // namespace ql::access
