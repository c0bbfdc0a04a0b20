#pragma once
// The program's one link to a database: one connection and one current recordset. Every operation
// but Close catches the data-access failures raised inside it, prints a framed report tagged with
// the operation's line number, and returns a plain result.

#include <cstdint>

#include "access/data_access.h"
#include "access/data_access_error.h"
#include "console/color_console.h"

namespace db {

class Database {
 public:
  explicit Database(access::ObjectFactory& objects = access::NativeObjects());
  virtual ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The console every operation and report prints to. Until it is set nothing is printed.
  void UseConsole(console::ColorConsole& console) noexcept { console_ = &console; }

  bool Open(const char* connectionString);    // line tag 101
  void Close();                               // no tag: lets a failure through
  bool ExecuteSql(const char* sqlText);       // 442
  bool MoveFirst();                           // 145
  bool MoveNext();                            // 164
  bool IsEof();                               // 183
  std::int32_t RecordCount();                 // 203

  // The row where the recordset (by default the current one) stands; tag 420.
  bool ShowRecord(access::Ref<access::Recordset> recordset = nullptr);

  bool ListTables();     // 238
  bool ListDatabases();  // 277

  void ReportComError(const access::DataAccessError& error, int lineTag);
  void ReportAdoErrors(const access::Ref<access::Connection>& connection);

  // Stops the statement or fetch under way on the connection; async-signal-safe.
  void Interrupt() noexcept;

 private:
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));

  access::ObjectFactory& objects_;
  console::ColorConsole* console_ = nullptr;
  access::Ref<access::Connection> connection;
  access::Ref<access::Recordset> recordset;
};

}  // namespace db
