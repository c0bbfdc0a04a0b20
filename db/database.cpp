#include "db/database.h"

#include <chrono>
#include <cstdarg>
#include <cstring>
#include <string>
#include <utility>

#include "db/line_tag.h"

namespace ql::db {

namespace {
// What earlier commands printed is written out once a command has waited this long on a database
// (a server, a lock, a long statement), so that it is seen, and kept in a log, while the program
// waits; a quick statement costs no write.
constexpr std::chrono::milliseconds kWaitFlushAge{10};
}  // namespace

Database::Database(access::ObjectFactory& objects) : objects_(objects) {}

Database::~Database() {
  // The console may already be gone (the program's own is destroyed first): nothing is printed or
  // flushed from here on.
  console_ = nullptr;
  if (names_.ReadRunning()) {
    // A catalog read still waits on a server that stopped answering, and the program is ending:
    // closing or releasing the objects under it would race with it, so they are left to it.
    static const auto* const leftToTheRead =
        new std::pair<access::Ref<access::Recordset>, access::Ref<access::Connection>>(std::move(recordset),
                                                                                      std::move(connection));
    static_cast<void>(leftToTheRead);
    interruptTarget_.store(nullptr);
    ForgetConnectionString();
    return;
  }
  try {
    Close();
  } catch (...) {
    // Nothing is left to report to: the console is destroyed before the database.
  }
  interruptTarget_.store(nullptr);
  recordset.Reset();
  connection.Reset();
  ForgetConnectionString();
}

void Database::Print(const char* format, ...) {
  if (console_ == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  console_->PrintV(format, arguments);
  va_end(arguments);
}

void Database::PrintLiteral(std::string_view text) {
  if (console_ != nullptr) console_->PrintLiteral(text);
}

void Database::ShowPrintedOutput() {
  if (console_ != nullptr) console_->Flush();
}

void Database::ReplaceConnection(access::Ref<access::Connection> replacement) noexcept {
  interruptTarget_.store(nullptr);
  // The old object is released here, while Interrupt can no longer reach it.
  connection = std::move(replacement);
  interruptTarget_.store(connection.Shared().get());
  reopenFailed_ = false;
}

void Database::Interrupt() noexcept {
  if (access::Connection* target = interruptTarget_.load()) target->Interrupt();
}

bool Database::Open(const char* connectionString) {
  const bool opened = Guarded(kTagOpen, Report::kCode, false, [&] {
    const console::ColorConsole::Waiting waiting(console_, kWaitFlushAge);
    // The new connection takes the old one's place only once it is open: a failed open leaves the
    // session as it was, connection, recordset and error list alike.
    access::Ref<access::Connection> opened = objects_.CreateConnection();
    opened->Open(connectionString != nullptr ? connectionString : "", "", "", 0);
    names_.Forget();
    ReplaceConnection(std::move(opened));
    shownFields_ = {};
    currentShown_ = false;
    pastShownEnd_ = false;
    exportHeaded_ = false;
    resultCurrent_ = false;
    recordset.Reset();
    recordset = objects_.CreateRecordset();
    return true;
  });
  // Kept for the connection held, which a failed open leaves in place.
  if (opened) {
    ForgetConnectionString();
    connectionString_ = connectionString != nullptr ? connectionString : "";
  }
  return opened;
}

void Database::Close() {
  names_.Forget();
  const console::ColorConsole::Waiting waiting(console_, kWaitFlushAge);
  shownFields_ = {};
  currentShown_ = false;
  pastShownEnd_ = false;
  resultCurrent_ = false;
  if (connection) reached_ = true;
  if (recordset && recordset->State() != access::kStateClosed) recordset->Close();
  if (connection && connection->State() != access::kStateClosed) connection->Close();
}

// Without a recordset (before the first Open) the statement fails as a call on an absent object,
// reported like any other failure, not as "Open table first!".
bool Database::ExecuteSql(const char* sqlText) {
  const bool succeeded = Guarded(kTagExecuteSql, Report::kCode, false, [&] {
    const console::ColorConsole::Waiting waiting(console_, kWaitFlushAge);
    if (!recordset) throw access::DataAccessError(access::kAbsentObject);
    shownFields_ = {};
    currentShown_ = false;
    pastShownEnd_ = false;
    exportHeaded_ = false;
    resultCurrent_ = false;
    if (recordset->State() != access::kStateClosed) recordset->Close();
    recordset->Open(sqlText != nullptr ? sqlText : "", connection, access::CursorType::kStatic,
                    access::LockType::kOptimistic, access::kCmdText);
    MadeResultCurrent();
    return true;
  });
  ForgetNamesAfter(sqlText != nullptr ? sqlText : "", succeeded);
  return succeeded;
}

bool Database::OpenNextResult() {
  if (!Has(recordset)) return false;
  // Nothing when the move failed (and was reported), else whether a result was made current.
  const std::optional<bool> opened = Guarded(kTagNextResult, Report::kCode, std::optional<bool>(), [&] {
    const console::ColorConsole::Waiting waiting(console_, kWaitFlushAge);
    if (!recordset->OpenNextResult()) return std::optional<bool>(false);
    shownFields_ = {};
    currentShown_ = false;
    pastShownEnd_ = false;
    exportHeaded_ = false;
    MadeResultCurrent();
    return std::optional<bool>(true);
  });
  if (opened == false) {
    const console::ColorConsole::Message message(console_, console::ColorConsole::MessageKind::kInformation);
    Print("No more results.\n");
  }
  return opened == true;
}

void Database::MadeResultCurrent() noexcept {
  resultCurrent_ = true;
  resultMade_ = true;
  waitingTold_ = false;
}

bool Database::MoveFirst() {
  if (!Has(recordset)) return false;
  return Guarded(kTagMoveFirst, Report::kCode, false, [&] {
    const console::ColorConsole::Waiting waiting(console_, kWaitFlushAge);
    pastShownEnd_ = false;
    recordset->MoveFirst();
    currentShown_ = false;
    return true;
  });
}

// A move is usually quick (a row the driver or the database has at hand): a stream of `t` costs no
// write per row, and a move that waits for the server writes out what is held once it has waited.
bool Database::MoveNext() {
  if (!Has(recordset)) return false;
  // Past the end of a result streamed by Rows, as when `t` follows the last row shown.
  if (std::exchange(pastShownEnd_, false)) return true;
  return Guarded(kTagMoveNext, Report::kCode, false, [&] {
    const console::ColorConsole::Waiting waiting(console_, kWaitFlushAge);
    recordset->MoveNext();
    currentShown_ = false;
    return true;
  });
}

// A failure counts as the end, so that callers display nothing.
bool Database::IsEof() {
  if (!Has(recordset)) return true;
  return Guarded(kTagIsEof, Report::kCode, true, [&] { return recordset->Eof(); });
}

std::int32_t Database::RecordCount() {
  if (!Has(recordset)) return 0;
  return Guarded(kTagRecordCount, Report::kErrorListAndCode, std::int32_t{0}, [&] {
    const console::ColorConsole::Waiting waiting(console_, kWaitFlushAge);
    return recordset->RecordCount();
  });
}

void Database::ForgetConnectionString() noexcept {
  explicit_bzero(connectionString_.data(), connectionString_.size());
  connectionString_.clear();
}

void Database::ReopenWhenLost() {
  if (!connection || reopenFailed_ || !connection->IsLost()) return;
  if (lostConnectionHook_ != nullptr && !lostConnectionHook_(lostConnectionContext_)) return;
  std::string text = connectionString_;
  const bool opened = Open(text.c_str());
  explicit_bzero(text.data(), text.size());
  if (!opened) {
    // The lost connection stays held, as after any failed open; the commands that fail on it are
    // reported, and nothing is opened again until `open` is typed.
    reopenFailed_ = true;
    Note("The connection was lost and could not be opened again; open one to go on.");
    return;
  }
  // Where the new connection went: after a failover, the server that took over.
  std::string host;
  std::string port;
  try {
    for (const access::ConnectionFact& fact : connection->Describe()) {
      if (fact.name == access::kFactHost) host = fact.value;
      if (fact.name == access::kFactPort) port = fact.value;
    }
  } catch (const access::DataAccessError&) {
    // The note goes without the host.
  }
  std::string line = "The connection was lost and has been opened again";
  if (!host.empty()) line.append(" to ").append(host);
  if (!host.empty() && !port.empty()) line.append(", port ").append(port);
  Note(line.append(": the command that failed was not run again, and a transaction that was open is lost."));
}

}  // namespace ql::db
