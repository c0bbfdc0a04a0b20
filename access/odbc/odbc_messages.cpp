#include "access/odbc/odbc_messages.h"

#include <utility>

#include "access/odbc/odbc_errors.h"

namespace ql::access {
namespace {

// The severities PostgreSQL gives its notices, which psqlODBC writes before each of them.
constexpr std::string_view kLevels[] = {"WARNING", "NOTICE", "INFO", "LOG", "DEBUG"};

// Records that say nothing the user caused or needs: by SQLSTATE, and by native code where one is
// given (0 stands for any).
struct Quiet {
  std::string_view sqlState;
  SQLINTEGER native;
};

constexpr Quiet kQuiet[] = {
    {"01004", 0},     // string data right truncated: the program reads such a value again, whole
    {"01S02", 0},     // option value changed: the driver's answer to a setting of the program's own
    {"01S01", 0},     // error in row: raised as the failure it is
    {"01000", 5701},  // SQL Server at every login: "Changed database context to ..."
    {"01000", 5703},  // SQL Server at every login: "Changed language setting to ..."
};

bool IsQuiet(std::string_view sqlState, SQLINTEGER native) {
  for (const Quiet& quiet : kQuiet) {
    if (quiet.sqlState == sqlState && (quiet.native == 0 || quiet.native == native)) return true;
  }
  return false;
}

// The level `text` starts with ("NOTICE: ..."), or empty.
std::string_view LevelAt(std::string_view text) {
  for (std::string_view level : kLevels) {
    if (text.starts_with(level) && text.substr(level.size()).starts_with(": ")) return level;
  }
  return {};
}

}  // namespace

std::vector<ServerMessage> MessagesOfRecord(std::string_view sqlState, SQLINTEGER native, std::string_view text) {
  std::vector<ServerMessage> messages;
  if (IsQuiet(sqlState, native) || text.empty()) return messages;
  std::string_view level = LevelAt(text);
  if (level.empty()) {
    messages.push_back({sqlState.starts_with("01") ? "WARNING" : "INFO", std::string(text)});
    return messages;
  }
  while (!level.empty()) {
    text.remove_prefix(level.size() + 2);
    std::size_t end = 0;
    std::string_view next;
    for (end = text.find(';'); end != std::string_view::npos; end = text.find(';', end + 1)) {
      next = LevelAt(text.substr(end + 1));
      if (!next.empty()) break;
    }
    messages.push_back({std::string(level), std::string(text.substr(0, end))});
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
    level = next;
  }
  return messages;
}

void OdbcMessages::Collect(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
  if (rc != SQL_SUCCESS_WITH_INFO) return;
  for (const DiagnosticRecord& record : ReadDiagnosticRecords(handleType, handle)) {
    for (ServerMessage& message : MessagesOfRecord(record.sqlState, record.native, record.text)) {
      Keep(std::move(message));
    }
  }
}

void OdbcMessages::Keep(ServerMessage message) {
  if (kept_.size() < kMaxKept) {
    kept_.push_back(std::move(message));
  } else {
    ++dropped_;
  }
}

std::vector<ServerMessage> OdbcMessages::Take() {
  std::vector<ServerMessage> taken = std::exchange(kept_, {});
  if (dropped_ > 0) {
    taken.push_back({"INFO", std::to_string(std::exchange(dropped_, 0)) + " more messages came and were not kept."});
  }
  return taken;
}

}  // namespace ql::access
