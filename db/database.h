#pragma once
// The program's one link to a database: one connection and one current recordset. Every operation
// but Close catches the data-access failures raised inside it, prints a framed report tagged with
// the operation's line tag (LineTag), and returns a plain result.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "access/data_access.h"
#include "access/data_access_error.h"
#include "console/color_console.h"
#include "db/aligned_table.h"
#include "db/catalog_names.h"
#include "db/line_tag.h"
#include "db/row_format.h"
#include "db/row_sink.h"

namespace ql::db {

class Database {
 public:
  explicit Database(access::ObjectFactory& objects = access::NativeObjects());
  // Closes what is open and releases the recordset, then the connection. A failure while closing
  // is dropped: nothing is printed, since the console may already be gone.
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The console every operation and report prints to. Until it is set nothing is printed.
  void UseConsole(console::ColorConsole& console) noexcept { console_ = &console; }

  // Opens a new connection and, once it is open, puts it and a new recordset in place of the old
  // ones (released, not closed). A failure leaves the old connection and recordset as they were.
  bool Open(const char* connectionString);
  // Closes the recordset, then the connection, when open; keeps both. Lets a failure through.
  void Close();
  bool ExecuteSql(const char* sqlText);

  // The record command: the first row of the current recordset, shown. Past the last row (an
  // empty result) nothing is shown; a refused move is reported.
  bool ShowFirstRecord();
  // The t command: the next row, shown; the move past the last row shows nothing.
  bool ShowNextRecord();
  // The count command: "N record(s) in current recordset.", N being 0 when it cannot be had.
  void ShowRecordCount();
  // `count` rows of the current recordset (all that are left without one) as a table, from the
  // current row on, or from the next one when a record or ShowRows has shown the current row
  // already. The recordset is left on the last row shown. Once the rows shown reach the end of the
  // result, "(N rows)" follows, N being the result's number of rows.
  bool ShowRows(std::optional<std::int64_t> count);
  // How many rows ShowRows is asked for when the user names no number: what fits the terminal
  // under the table's header and rule, its closing line and the prompt; 20 on a file or a pipe.
  std::int64_t DefaultRowCount() const;
  // Makes the next result of the last statement the current one, as if its statement had been the
  // one run, or says that none waits.
  bool OpenNextResult();

  // On a recordset of their own; the current recordset is never touched.
  bool ListTables();
  bool ListDatabases();
  // The columns of the table named as typed, as a table; a line of its own when there are none.
  bool ListColumns(const char* table);
  // What the connection is (provider, host, database, user, ...), a "Name: value" line each.
  bool ShowConnectionFacts();

  // Around each command of the program. BeginCommand notes when it starts; FinishCommand, once the
  // command's own output is printed, adds what more the database had to say, each as a note of the
  // console (console::ColorConsole::Note) and only when the command reached a connection: the
  // database's messages, the rows a statement changed, how many more results wait, and (when
  // timing is on) the time the command took.
  void BeginCommand();
  void FinishCommand();
  void SetTiming(bool on) noexcept { timing_ = on; }
  // The form ShowRows prints in; a table at first.
  void SetRowFormat(RowFormat format) noexcept {
    format_ = format;
    exportHeaded_ = false;
  }
  RowFormat Format() const noexcept { return format_; }
  bool Timing() const noexcept { return timing_; }

  // Stops the statement or fetch under way on the connection; async-signal-safe.
  void Interrupt() noexcept;

  // When a command's failure shows that the connection is lost, the connection string it was opened
  // with is opened again, once, and a note says so. A hook set here is asked first: when it
  // returns false, nothing is opened (the program is to end instead, as a script that stops at its
  // first failure would have it). Null (the default) always opens again.
  using LostConnectionHook = bool (*)(void* context);
  void OnLostConnection(LostConnectionHook hook, void* context) noexcept {
    lostConnectionHook_ = hook;
    lostConnectionContext_ = context;
  }

  // For completing what is typed at the prompt: the tables and views of the open connection (not
  // the system's), and the columns of one of them (`table` as the catalogs name it). Read from the
  // catalogs when first asked for and again after a statement that may have changed them, waiting
  // until `until` at most (see CatalogNames); only while no result is part read, since reading the
  // catalogs could then have to wait for (or cancel) the rest of its rows. Empty when not known;
  // never a report.
  std::vector<std::string> TableNames(CatalogNames::Deadline until);
  std::vector<std::string> ColumnNames(const std::string& table, CatalogNames::Deadline until);
  // Starts reading the table names while the person types, when they are not kept and could be
  // read now, so that Tab finds them even once a result is part read; returns at once.
  void ReadNamesAhead();

 private:
  // The moves, the end test and the count the commands pair (ShowFirstRecord, ShowNextRecord,
  // ShowRecordCount); the end test counts a failure as the end, so that nothing is shown.
  bool MoveFirst();
  bool MoveNext();
  bool IsEof();
  std::int32_t RecordCount();
  // The row where the current recordset stands.
  bool ShowRecord();

  // The framed report of a failure, tagged with the operation's line tag.
  void ReportError(const access::DataAccessError& error, int lineTag);
  // The connection's errors of its last failure, all on one line. Stops quietly where the list
  // cannot be read: it runs while another failure is being reported, and that report follows.
  void ReportConnectionErrors(const access::Ref<access::Connection>& from);

  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Note(std::string_view text);
  // For every text a database or provider supplies: printed as it is, never read as markup.
  void PrintLiteral(std::string_view text);
  bool EscapesControls() const noexcept { return console_ != nullptr && console_->EscapesControls(); }
  void ReplaceConnection(access::Ref<access::Connection> replacement) noexcept;
  // A table printed through PrintLiteral, as wide as the terminal allows (on a pipe, any width).
  AlignedTable TablePrinter();
  // The sink ShowRows prints through, in the current format.
  std::unique_ptr<RowSink> RowPrinter();
  // A statement's result has become current: its affected rows and the results behind it are news.
  void MadeResultCurrent() noexcept;
  // The recordset has been closed, reopened or replaced: no row of it has been shown.
  void ForgetShownRow() noexcept;

  // Completion's names: `key` kept, or read with `read` when the connection is free for it.
  std::vector<std::string> CatalogNamesFor(const std::string& key,
                                           std::vector<std::string> (*read)(access::Connection&, const std::string&),
                                           const std::string& argument, CatalogNames::Deadline until);
  // True when the catalogs may be read now: the connection is open, no catalog read runs, and no
  // result is part read (the current recordset is closed or at its end).
  bool CatalogsFree();
  // After a statement: whether the names kept may have changed (it left no rows, it failed, or its
  // text holds more than one statement).
  void ForgetNamesAfter(std::string_view sqlText, bool succeeded);
  // The names read on the reading thread: a failure gives none.
  static std::vector<std::string> ReadTableNames(access::Connection& connection, const std::string& unused);
  static std::vector<std::string> ReadColumnNames(access::Connection& connection, const std::string& table);

  // When the operation it lives in ends, marks that the command reached the database, if there is
  // a connection it could reach.
  struct ReachMark {
    Database& database;
    ~ReachMark() {
      if (database.connection_) database.reached_ = true;
    }
  };

  // What an operation needs: without it, "Open table first!" is printed and the operation does not
  // run (nor counts as reaching the database).
  enum class Needs { kNothing, kConnection, kRecordset };
  // How an operation waits on the database. kHeld: it prints nothing until it ends, and holds a
  // console::ColorConsole::Waiting, so that what earlier commands printed is written out only once
  // it has waited. kPrinting: it prints as it goes (the listings), so what earlier commands printed
  // is written out first, to be seen (and kept in a log) while the program waits.
  enum class Waits { kNo, kHeld, kPrinting };
  // Whether the connection's error list is printed before the report of a failure.
  enum class Report { kCode, kErrorListAndCode };
  struct Guard {
    LineTag tag;
    Needs needs = Needs::kNothing;
    Waits waits = Waits::kNo;
    Report report = Report::kCode;
  };

  // Runs `operation` and returns its result. A data-access failure inside it runs `unfinished`
  // (which puts out what the operation had shown so far), is reported, framed with the guard's
  // tag, and `fallback` returned instead. Every operation of this class but Close runs its work
  // through here: the boundary where the layer's failures end.
  template <class Result, class Operation, class Unfinished = void (*)()>
  Result Guarded(
      const Guard& guard, Result fallback, Operation operation, Unfinished unfinished = [] {}) {
    const bool present = guard.needs == Needs::kConnection  ? static_cast<bool>(connection_)
                         : guard.needs == Needs::kRecordset ? static_cast<bool>(recordset_)
                                                            : true;
    if (!present) {
      const console::ColorConsole::Message message(console_, console::ColorConsole::MessageKind::kError);
      Print("Open table first!\n");
      return fallback;
    }
    if (guard.waits == Waits::kPrinting && console_ != nullptr) console_->Flush();
    // A catalog read for completion has the connection until it ends.
    names_.Settle();
    const ReachMark mark{*this};
    try {
      const console::ColorConsole::Waiting waiting(guard.waits == Waits::kHeld ? console_ : nullptr);
      return operation();
    } catch (const access::DataAccessError& error) {
      unfinished();
      if (guard.report == Report::kErrorListAndCode) ReportConnectionErrors(connection_);
      ReportError(error, guard.tag);
      if (guard.tag != kTagOpen) ReopenWhenLost();
      return fallback;
    }
  }

  // After a failure: when it has shown the connection lost, opens the connection string again (see
  // OnLostConnection). Never runs again what failed.
  void ReopenWhenLost();
  // Wipes the connection string kept for ReopenWhenLost: it may hold a password.
  void ForgetConnectionString() noexcept;

  access::ObjectFactory& objects_;
  console::ColorConsole* console_ = nullptr;
  access::Ref<access::Connection> connection_;
  access::Ref<access::Recordset> recordset_;
  // The current row has been shown (by ShowRecord or ShowRows) since the recordset moved to it.
  bool currentShown_ = false;
  // The text of the record ShowRecord builds, kept for the next one (its capacity is reused).
  std::string recordText_;
  // ShowRows streamed the rows to their end, so the cursor stands past the last row shown instead of
  // on it: the next MoveNext is the move past that row, and only the one after it is refused.
  bool pastShownEnd_ = false;
  // The current result is one the last statement gave (through ExecuteSql or OpenNextResult), so
  // that the results behind it may be asked for; and whether those waiting have been told of.
  bool resultCurrent_ = false;
  bool waitingTold_ = false;
  // For FinishCommand: the command reached a connection, or made a result current.
  bool reached_ = false;
  bool resultMade_ = false;
  bool timing_ = false;
  RowFormat format_ = RowFormat::kTable;
  // The current result's header line has been printed in the current file format: the rows that
  // follow continue the same file.
  bool exportHeaded_ = false;
  // When the command under way began; none while Timing is off, as the clock costs a call per command.
  std::optional<std::chrono::steady_clock::time_point> commandStart_;
  // The connection string the held connection was opened with, kept in memory only, for
  // ReopenWhenLost.
  std::string connectionString_;
  // Opening the held connection again after it was lost has failed: it is not tried again.
  bool reopenFailed_ = false;
  LostConnectionHook lostConnectionHook_ = nullptr;
  void* lostConnectionContext_ = nullptr;
  // The held connection's object, for Interrupt: a signal handler must not read a shared_ptr that
  // the interrupted code may be in the middle of replacing.
  std::atomic<access::Connection*> interruptTarget_{nullptr};
  static_assert(std::atomic<access::Connection*>::is_always_lock_free);
  CatalogNames names_;
};

}  // namespace ql::db
