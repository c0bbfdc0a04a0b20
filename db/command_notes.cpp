// What the database has to say beside a command's own output, said once the command is done.

#include <charconv>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/line_tag.h"
#include "db/value_format.h"

namespace ql::db {

void Database::Note(std::string_view text) {
  if (console_ != nullptr) console_->Note(text);
}

void Database::BeginCommand() {
  reached_ = false;
  resultMade_ = false;
  commandStart_.reset();
  if (timing_) commandStart_ = std::chrono::steady_clock::now();
}

void Database::FinishCommand() {
  const std::optional<std::chrono::steady_clock::time_point> start = std::exchange(commandStart_, std::nullopt);
  const std::chrono::duration<double, std::milli> elapsed =
      start ? std::chrono::steady_clock::now() - *start : std::chrono::steady_clock::duration();
  const bool reached = std::exchange(reached_, false);
  const bool resultMade = std::exchange(resultMade_, false);
  if (!reached) return;

  // The results behind the current one are counted once its rows are all read, which reads the
  // statements behind it: one of them may fail. Those read before it still wait, and are counted
  // by asking again.
  std::int32_t waiting = 0;
  if (recordset_ && resultCurrent_ && !waitingTold_) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      const std::optional<std::int32_t> count = Guarded({kTagExecuteSql}, std::optional<std::int32_t>(), [&] {
        return std::optional<std::int32_t>(recordset_->ResultsWaiting());
      });
      if (count) {
        waiting = *count;
        break;
      }
    }
  }
  std::vector<access::ServerMessage> messages;
  std::int64_t affected = -1;
  if (connection_) {
    Guarded({kTagExecuteSql}, false, [&] {
      messages = connection_->TakeMessages();
      if (resultMade && recordset_ && recordset_->State() == access::kStateClosed) {
        affected = connection_->RecordsAffected();
      }
      return true;
    });
  }
  reached_ = false;

  std::string line;
  for (const access::ServerMessage& message : messages) {
    line.assign(message.level).append(": ").append(message.text);
    Note(line);
  }
  if (affected >= 0) {
    line.clear();
    AppendNumber(affected, line);
    Note(line.append(" record(s) affected."));
  }
  if (waiting > 0) {
    waitingTold_ = true;
    line.clear();
    AppendNumber(waiting, line);
    Note(line.append(" more result(s) waiting: More shows the next."));
  }
  if (timing_ && start) {
    char digits[64];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, elapsed.count(), std::chars_format::fixed, 3);
    line.assign("Time: ").append(digits, error == std::errc() ? end : digits).append(" ms");
    Note(line);
  }
}

}  // namespace ql::db
