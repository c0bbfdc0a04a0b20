#pragma once
// The messages an ODBC connection passes along beside its results: the diagnostic records of a call
// that returned SQL_SUCCESS_WITH_INFO (on connecting, running a statement, fetching, moving to the
// next result), kept until the layer takes them.

#include <sql.h>

#include <cstddef>
#include <string_view>
#include <vector>

#include "access/server_message.h"

namespace ql::access {

// The messages one diagnostic record carries. psqlODBC passes every PostgreSQL notice and warning of
// a call in one record, each as "LEVEL: text" and joined by ';' ("NOTICE: a;WARNING: b"); a record
// is cut before each ';' followed by a level PostgreSQL sends, so a message whose own text holds
// such a sequence is cut there too. A record without a level is one message: a WARNING for a
// SQLSTATE of class 01, INFO otherwise. Records that only speak of the program's own requests (a
// value longer than the buffer the program reads again whole, an option the driver adjusted) and
// SQL Server's word at every login that the database or language is set carry nothing for the user
// and give none.
std::vector<ServerMessage> MessagesOfRecord(std::string_view sqlState, SQLINTEGER native, std::string_view text);

class OdbcMessages {
 public:
  // Keeps the messages of the diagnostic records the handle holds after a call that returned
  // `rc`; nothing unless that was SQL_SUCCESS_WITH_INFO.
  void Collect(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);
  // The messages kept since the last take, oldest first; when more came than are kept, a last one
  // says how many were left out.
  std::vector<ServerMessage> Take();

  // At most this many are kept between two takes; later ones are counted, not kept.
  static constexpr std::size_t kMaxKept = 1000;

 private:
  void Keep(ServerMessage message);

  std::vector<ServerMessage> kept_;
  std::size_t dropped_ = 0;
};

}  // namespace ql::access
