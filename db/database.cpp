#include "db/database.h"

#include <chrono>
#include <cstdarg>
#include <cstring>
#include <string>
#include <utility>

#include "db/line_tag.h"

namespace ql::db {

Database::Database(access::ObjectFactory& objects) : objects_(objects) {}

Database::~Database() {
  // The console may already be gone (the program's own is destroyed first): nothing is printed or
  // flushed from here on.
  console_ = nullptr;
  if (names_.ReadRunning()) {
    // A catalog read still waits on a server that stopped answering, and the program is ending:
    // closing or releasing the objects under it would race with it, so they are left to it.
    static const auto* const leftToTheRead =
        new std::pair<access::Ref<access::Recordset>, access::Ref<access::Connection>>(std::move(recordset_),
                                                                                       std::move(connection_));
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
  recordset_.Reset();
  connection_.Reset();
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

void Database::ReplaceConnection(access::Ref<access::Connection> replacement) noexcept {
  interruptTarget_.store(nullptr);
  // The old object is released here, while Interrupt can no longer reach it.
  connection_ = std::move(replacement);
  interruptTarget_.store(connection_.Shared().get());
  reopenFailed_ = false;
}

void Database::Interrupt() noexcept {
  if (access::Connection* target = interruptTarget_.load()) target->Interrupt();
}

void Database::ForgetShownRow() noexcept {
  currentShown_ = false;
  pastShownEnd_ = false;
}

bool Database::Open(const char* connectionString) {
  const bool opened = Guarded({kTagOpen, Needs::kNothing, Waits::kHeld}, false, [&] {
    // The new connection takes the old one's place only once it is open: a failed open leaves the
    // session as it was, connection, recordset and error list alike.
    access::Ref<access::Connection> opened = objects_.CreateConnection();
    opened->Open(connectionString != nullptr ? connectionString : "", "", "", 0);
    names_.Forget();
    ReplaceConnection(std::move(opened));
    ForgetShownRow();
    exportHeaded_ = false;
    resultCurrent_ = false;
    recordset_.Reset();
    recordset_ = objects_.CreateRecordset();
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
  const console::ColorConsole::Waiting waiting(console_);
  ForgetShownRow();
  resultCurrent_ = false;
  if (connection_) reached_ = true;
  if (recordset_ && recordset_->State() != access::kStateClosed) recordset_->Close();
  if (connection_ && connection_->State() != access::kStateClosed) connection_->Close();
}

// Without a recordset (before the first Open) the statement fails as a call on an absent object,
// reported like any other failure, not as "Open table first!".
bool Database::ExecuteSql(const char* sqlText) {
  const bool succeeded = Guarded({kTagExecuteSql, Needs::kNothing, Waits::kHeld}, false, [&] {
    if (!recordset_) throw access::DataAccessError(access::kAbsentObject);
    ForgetShownRow();
    exportHeaded_ = false;
    resultCurrent_ = false;
    if (recordset_->State() != access::kStateClosed) recordset_->Close();
    recordset_->Open(sqlText != nullptr ? sqlText : "", connection_, access::CursorType::kStatic,
                     access::LockType::kOptimistic, access::kCmdText);
    MadeResultCurrent();
    return true;
  });
  ForgetNamesAfter(sqlText != nullptr ? sqlText : "", succeeded);
  return succeeded;
}

bool Database::OpenNextResult() {
  // Nothing when the move failed (and was reported) or had no recordset to move, else whether a
  // result was made current.
  std::optional<bool> opened;
  const bool ran = Guarded({kTagNextResult, Needs::kRecordset, Waits::kHeld}, false, [&] {
    opened = recordset_->OpenNextResult();
    if (!*opened) return true;
    ForgetShownRow();
    exportHeaded_ = false;
    MadeResultCurrent();
    return true;
  });
  if (ran && opened == false) {
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
  return Guarded({kTagMoveFirst, Needs::kRecordset, Waits::kHeld}, false, [&] {
    pastShownEnd_ = false;
    recordset_->MoveFirst();
    currentShown_ = false;
    return true;
  });
}

// A move is usually quick (a row the driver or the database has at hand): a stream of `t` costs no
// write per row, and a move that waits for the server writes out what is held once it has waited.
bool Database::MoveNext() {
  // Past the end of a result streamed by Rows, as when `t` follows the last row shown.
  if (recordset_ && std::exchange(pastShownEnd_, false)) return true;
  return Guarded({kTagMoveNext, Needs::kRecordset, Waits::kHeld}, false, [&] {
    recordset_->MoveNext();
    currentShown_ = false;
    return true;
  });
}

// A failure counts as the end, so that callers display nothing.
bool Database::IsEof() {
  return Guarded({kTagIsEof, Needs::kRecordset}, true, [&] { return recordset_->Eof(); });
}

std::int32_t Database::RecordCount() {
  return Guarded({kTagRecordCount, Needs::kRecordset, Waits::kHeld, Report::kErrorListAndCode}, std::int32_t{0},
                 [&] { return recordset_->RecordCount(); });
}

bool Database::ShowFirstRecord() { return MoveFirst() && !IsEof() && ShowRecord(); }

bool Database::ShowNextRecord() { return MoveNext() && !IsEof() && ShowRecord(); }

void Database::ShowRecordCount() { Print("%d record(s) in current recordset.\n", RecordCount()); }

void Database::ForgetConnectionString() noexcept {
  explicit_bzero(connectionString_.data(), connectionString_.size());
  connectionString_.clear();
}

void Database::ReopenWhenLost() {
  if (!connection_ || reopenFailed_ || !connection_->IsLost()) return;
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
    for (const access::ConnectionFact& fact : connection_->Describe()) {
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
