#include <atomic>
#include <chrono>
#include <climits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "access/ascii.h"
#include "access/core/provider_table.h"
#include "access/sqlite/sqlite_cursor.h"
#include "access/sqlite/sqlite_errors.h"
#include "access/sqlite/sqlite_handles.h"

namespace ql::access {
namespace {

// How long a statement waits for a lock another process holds before it fails as busy.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kBusyPollMs = 10;

// "SQLite 3.40.1"
std::string SqliteVersion() { return std::string("SQLite ") + sqlite3_libversion(); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// True when nothing but blanks, ';' and comments is left: no further statement follows.
bool OnlyFillerLeft(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (IsBlank(text[pos]) || text[pos] == ';') {
      ++pos;
    } else if (text.substr(pos, 2) == "--") {
      pos = text.find('\n', pos);
      if (pos == std::string_view::npos) return true;
    } else if (text.substr(pos, 2) == "/*") {
      pos = text.find("*/", pos + 2);
      if (pos == std::string_view::npos) return true;
      pos += 2;
    } else {
      return false;
    }
  }
  return true;
}

// Whether the statement changes rows and so has a count of them: INSERT, UPDATE, DELETE or REPLACE,
// or a WITH clause before one of them (a WITH before a query has columns and is never asked).
// sqlite3_changes64 keeps the count of the last such statement, so after any other statement it
// would report a stale one.
bool ChangesRows(sqlite3_stmt* statement) {
  if (sqlite3_stmt_readonly(statement) != 0 || sqlite3_column_count(statement) != 0) return false;
  const char* sql = sqlite3_sql(statement);
  std::string_view text = sql != nullptr ? sql : "";
  // The text of a prepared statement starts at its first keyword, but for comments before it.
  for (;;) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    if (text.starts_with("--")) {
      const std::size_t end = text.find('\n');
      text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    } else if (text.starts_with("/*")) {
      const std::size_t end = text.find("*/");
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
    } else {
      break;
    }
  }
  std::size_t length = 0;
  while (length < text.size() && IsAsciiLetter(text[length])) ++length;
  static constexpr std::string_view kChanging[] = {"INSERT", "UPDATE", "DELETE", "REPLACE", "WITH"};
  return IsOneOfIgnoringCase(text.substr(0, length), kChanging);
}

// `text` between two `mark`s, a mark inside it doubled: a SQL literal ('), or an identifier (").
std::string Quoted(std::string_view text, char mark) {
  std::string quoted(1, mark);
  for (char c : text) {
    if (c == mark) quoted += mark;
    quoted += c;
  }
  return quoted + mark;
}

std::string Literal(std::string_view text) { return Quoted(text, '\''); }
std::string Identifier(std::string_view text) { return Quoted(text, '"'); }

class SqliteSession final : public ProviderSession {
 public:
  SqliteSession(DatabaseHandle db, std::shared_ptr<ErrorList> errors)
      : db_(std::move(db)), gate_(std::make_shared<InterruptGate>(db_.get())), errors_(std::move(errors)) {
    sqlite3_busy_handler(db_.get(), &SqliteSession::OnBusy, this);
  }
  ~SqliteSession() override { sqlite3_busy_handler(db_.get(), nullptr, nullptr); }

  // A text may hold several statements. They run in order, each to completion, and the last one
  // gives the result (its rows, if it has any); filler after the last (blanks, ';', comments) is
  // ignored. When one fails, its error is raised and the statements after it do not run; those
  // before it have taken effect, as each runs in its own implicit transaction unless the text opens
  // one itself.
  std::unique_ptr<ProviderCursor> Execute(std::string_view sql) override {
    interrupted_.store(false);
    if (sql.find('\0') != std::string_view::npos) {
      errors_->Raise(kStatementError, "SQLite", "The statement text contains a NUL character.");
    }
    if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
      errors_->Raise(kOutOfRange, "SQLite", "The statement text is too long.");
    }
    InterruptGate::Working working(*gate_);
    const char* next = sql.data();
    const char* const end = sql.data() + sql.size();
    while (next < end) {
      sqlite3_stmt* raw = nullptr;
      const char* tail = nullptr;
      const int rc = sqlite3_prepare_v2(db_.get(), next, static_cast<int>(end - next), &raw, &tail);
      StatementHandle statement(raw);
      if (rc != SQLITE_OK) Fail(rc);
      if (tail == nullptr || tail <= next) tail = end;
      const bool last = OnlyFillerLeft(std::string_view(tail, static_cast<std::size_t>(end - tail)));
      next = tail;
      if (!statement) continue;  // only filler before `tail`
      if (last && sqlite3_column_count(statement.get()) > 0) {
        return std::make_unique<SqliteCursor>(db_, gate_, std::move(statement), errors_);
      }
      RunToCompletion(statement.get());
      if (last) {
        affected_ = ChangesRows(statement.get()) ? sqlite3_changes64(db_.get()) : -1;
        break;
      }
    }
    return nullptr;
  }

  std::int64_t RowsAffected() const override { return affected_; }

  // The declared type as written in the table's definition; SQLite keeps no separate size.
  std::unique_ptr<ProviderCursor> OpenColumns(std::string_view table) override {
    static constexpr char kColumns[] =
        "SELECT name AS COLUMN_NAME, type AS TYPE_NAME, NULL AS COLUMN_SIZE, "
        "CASE WHEN \"notnull\" THEN 'NO' ELSE 'YES' END AS IS_NULLABLE, dflt_value AS COLUMN_DEFAULT "
        "FROM pragma_table_info(?1) ORDER BY cid";
    if (table.size() > static_cast<std::size_t>(INT_MAX)) {
      errors_->Raise(kOutOfRange, "SQLite", "The table name is too long.");
    }
    interrupted_.store(false);
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db_.get(), kColumns, -1, &raw, nullptr);
    StatementHandle statement(raw);
    if (rc != SQLITE_OK) Fail(rc);
    // Bound, never pasted into the text: the name reaches SQLite as typed, NULs and quotes included.
    const int bound =
        sqlite3_bind_text(statement.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    if (bound != SQLITE_OK) Fail(bound);
    return std::make_unique<SqliteCursor>(db_, gate_, std::move(statement), errors_);
  }

  std::vector<ConnectionFact> Describe() override {
    const char* file = sqlite3_db_filename(db_.get(), "main");
    return {{kFactProvider, SqliteVersion()},
            {kFactDatabase, file != nullptr && *file != '\0' ? file : ":memory:"},
            {kFactTransaction, sqlite3_get_autocommit(db_.get()) != 0 ? "idle" : "open"}};
  }

  std::unique_ptr<ProviderCursor> OpenSchema(SchemaKind schema) override {
    std::vector<std::string> databases = DatabaseNames();
    std::string sql;
    if (schema == SchemaKind::kCatalogs) {
      for (const std::string& name : databases) {
        sql += sql.empty() ? "SELECT " : " UNION ALL SELECT ";
        sql += Literal(name) + " AS CATALOG_NAME";
      }
    } else if (schema == SchemaKind::kTables) {
      // Each database's schema table is listed with the tables and views it describes; it does not
      // describe itself.
      int position = 0;
      for (const std::string& name : databases) {
        const std::string catalog = Literal(name);
        const std::string schemaTable = name == "temp" ? "sqlite_temp_master" : "sqlite_master";
        if (!sql.empty()) sql += " UNION ALL ";
        sql += "SELECT " + std::to_string(position) + " AS seq, " + catalog +
               " AS TABLE_CATALOG, NULL AS TABLE_SCHEMA, name AS TABLE_NAME, "
               "CASE WHEN name LIKE 'sqlite\\_%' ESCAPE '\\' THEN 'SYSTEM TABLE' "
               "WHEN type = 'view' THEN 'VIEW' ELSE 'TABLE' END AS TABLE_TYPE FROM " +
               Identifier(name) + ".sqlite_master WHERE type IN ('table', 'view')";
        sql += " UNION ALL SELECT " + std::to_string(position) + ", " + catalog + ", NULL, " + Literal(schemaTable) +
               ", 'SYSTEM TABLE'";
        ++position;
      }
      sql = "SELECT TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM (" + sql +
            ") ORDER BY seq, CASE TABLE_TYPE WHEN 'TABLE' THEN 0 WHEN 'VIEW' THEN 1 ELSE 2 END, TABLE_NAME";
    } else {
      errors_->Raise(kNotSupported, "SQLite", "This schema rowset is not available.");
    }
    std::unique_ptr<ProviderCursor> cursor = Execute(sql);
    if (!cursor) errors_->Raise(kProviderFailed, "SQLite", "The schema query returned no result.");
    return cursor;
  }

  void Interrupt() noexcept override {
    if (gate_->Interrupt()) interrupted_.store(true);
  }

 private:
  // Waits in short steps, so that an interrupt ends the wait too.
  static int OnBusy(void* self, int attempts) {
    auto* session = static_cast<SqliteSession*>(self);
    if (session->interrupted_.load() || attempts * kBusyPollMs >= kBusyTimeoutMs) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(kBusyPollMs));
    return 1;
  }

  // A wait for a lock that Interrupt ended fails as busy; it is reported as the cancellation it is.
  [[noreturn]] void Fail(int rc) {
    if ((rc & 0xFF) == SQLITE_BUSY && interrupted_.load()) {
      errors_->Raise(kCancelled, "SQLite", "interrupted while waiting for a lock held elsewhere");
    }
    RaiseSqlite(*errors_, db_.get(), rc);
  }

  void RunToCompletion(sqlite3_stmt* statement) {
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) Fail(rc);
  }

  // The attached databases in their order: main first, then temp when it is in use, then the others.
  std::vector<std::string> DatabaseNames() {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_.get(), "PRAGMA database_list", -1, &raw, nullptr);
    StatementHandle statement(raw);
    if (rc != SQLITE_OK) Fail(rc);
    std::vector<std::string> names;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
      const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 1));
      if (name != nullptr) names.emplace_back(name);
    }
    if (rc != SQLITE_DONE) Fail(rc);
    return names;
  }

  DatabaseHandle db_;
  std::shared_ptr<InterruptGate> gate_;
  std::shared_ptr<ErrorList> errors_;
  // Lock-free, so that Interrupt may set it from a signal handler.
  std::atomic<bool> interrupted_{false};
  std::int64_t affected_ = -1;
};

// Opens the file named by `Data Source` (none, or ":memory:", for an in-memory database);
// `Mode=Read` opens it read-only.
std::unique_ptr<ProviderSession> OpenSqliteSession(const ConnectionString& pairs, std::shared_ptr<ErrorList> errors) {
  std::string file = pairs.Find("Data Source").value_or("");
  if (file.empty()) file = ":memory:";
  const bool readOnly = EqualsIgnoringCase(pairs.Find("Mode").value_or(""), "read");
  // A connection is used by one thread at a time; sqlite3_interrupt, the one call that may come from
  // elsewhere, needs no lock. Without SQLite's own mutex every column read is cheaper.
  const int flags =
      (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
  // SQLite counts every allocation under a process-wide mutex unless told not to before its first
  // use; the counts serve only sqlite3_memory_used and the soft heap limit, which nothing here
  // asks for, and the lock costs a tenth of a quick statement. Too late (SQLITE_MISUSE) when
  // something in the process used SQLite before: it then keeps counting, which changes nothing else.
  static const int kUncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  static_cast<void>(kUncounted);
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  DatabaseHandle db = AdoptDatabase(raw);
  if (rc != SQLITE_OK) RaiseSqlite(*errors, db.get(), rc);
  auto session = std::make_unique<SqliteSession>(std::move(db), std::move(errors));
  // A file that is not a database opens without complaint; reading its schema finds out now rather
  // than at the first statement.
  session->Execute("SELECT 1 FROM sqlite_master LIMIT 1");
  return session;
}

}  // namespace

// The embedded SQLite, linked into the program.
constinit const ProviderEntry kSqliteProvider{
    .names = {"SQLite"},
    .open = &OpenSqliteSession,
    .version = &SqliteVersion,
};

}  // namespace ql::access
