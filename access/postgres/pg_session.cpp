#include "access/postgres/pg_session.h"

#include <poll.h>

#include <cerrno>

#include "access/core/sql_state.h"
#include "access/postgres/pg_errors.h"
#include "access/postgres/pg_keys.h"

namespace ql::access {

std::vector<ErrorRecord> PgLink::Records(const PGresult* result) const {
  return {PgFailure(*api, connection.get(), result, secrets)};
}

void PgLink::RaiseConnection(std::string_view doing) const {
  errors->Raise({PgConnectionFailure(*api, connection.get(), secrets, doing)});
}

std::vector<ErrorRecord> PgLink::Drain(PgWait wait) {
  std::vector<ErrorRecord> failure;
  BusyLink busy(*this);
  // libpq ends every statement's results with a null one, a lost connection included; a copy is
  // ended below so that it does too.
  for (;;) {
    PgResult result = NextResult(wait);
    if (lost) return LostRecords();
    if (!result) {
      unfinished = false;
      break;
    }
    const ExecStatusType status = api->resultStatus(result.get());
    if (status == PGRES_COPY_IN || status == PGRES_COPY_BOTH) {
      // Nothing is sent: the copy ends with a failure the server reports as the next result.
      api->putCopyEnd(connection.get(), "copying from the client is not supported");
    } else if (status == PGRES_COPY_OUT) {
      auto heard = std::chrono::steady_clock::now();
      bool cancelled = false;
      for (;;) {
        char* data = nullptr;
        const int got = api->getCopyData(connection.get(), &data, 1);
        if (data != nullptr) api->freemem(data);
        if (got > 0) continue;
        if (got < 0) break;
        const Input input = AwaitInput(wait, heard, cancelled, -1);
        if (input == Input::kGivenUp) return LostRecords();
        if (input == Input::kCannotWait) api->consumeInput(connection.get());
      }
    }
    if (failure.empty() && (status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE)) {
      failure = Records(result.get());
    }
  }
  return failure;
}

PgResult PgLink::NextResult(PgWait wait) {
  if (!AwaitResult(wait)) return PgResult(nullptr, PgResultFree{api});
  return PgResult(api->getResult(connection.get()), PgResultFree{api});
}

void PgLink::Cancel() {
  if (!canceller || lost) return;
  canceller->Request();
  if (!canceller->AwaitSent(kHungServerLimit)) GiveUp(true);
}

void PgLink::SettleCancels() {
  RequireUsable();
  if (!canceller) return;
  if (!canceller->AwaitSent(kHungServerLimit)) GiveUp(true);
  canceller->TakeRequest();
  RequireUsable();
}

void PgLink::RequireUsable() const {
  if (lost) errors->Raise(LostRecords());
}

bool PgLink::Gone() const { return lost || (connection && api->status(connection.get()) == CONNECTION_BAD); }

std::vector<ErrorRecord> PgLink::LostRecords() const { return {{kProviderFailed, kPostgresSource, lostReason}}; }

bool PgLink::AwaitResult(PgWait wait, int wake) {
  if (lost) return false;
  // Most results of a stream are parsed already: the clock is read only for a real wait.
  if (api->isBusy(connection.get()) == 0) return true;
  auto heard = std::chrono::steady_clock::now();
  bool cancelled = false;
  while (api->isBusy(connection.get()) != 0) {
    const Input input = AwaitInput(wait, heard, cancelled, wake);
    if (input == Input::kGivenUp || input == Input::kWoken) return false;
    // PQgetResult then waits, or reports the broken connection.
    if (input == Input::kCannotWait) break;
  }
  return true;
}

// libpq reads what has arrived (PQconsumeInput) once the socket is readable; a socket libpq has
// closed, or a read that failed, leaves the connection broken, which the next PQgetResult reports.
PgLink::Input PgLink::AwaitInput(PgWait wait, std::chrono::steady_clock::time_point& heard, bool& cancelled, int wake) {
  using Clock = std::chrono::steady_clock;
  PGconn* const conn = connection.get();
  const int requests = canceller ? canceller->RequestFd() : -1;
  for (;;) {
    const int socket = api->socket(conn);
    if (socket < 0) return Input::kCannotWait;
    int timeout = -1;
    if (wait == PgWait::kBounded || cancelled) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(heard + kHungServerLimit - Clock::now());
      if (left.count() <= 0) {
        GiveUp(cancelled);
        return Input::kGivenUp;
      }
      timeout = static_cast<int>(left.count());
    }
    pollfd ready[3] = {{socket, POLLIN, 0}, {requests, POLLIN, 0}, {wake, POLLIN, 0}};
    const int rc = ::poll(ready, 3, timeout);
    if (rc < 0 && errno != EINTR) return Input::kCannotWait;
    if (rc <= 0) continue;
    if ((ready[2].revents & POLLIN) != 0) return Input::kWoken;
    if ((ready[1].revents & POLLIN) != 0 && canceller->TakeRequest() && !cancelled) {
      // The server's time to answer counts from the request.
      cancelled = true;
      heard = Clock::now();
    }
    if (ready[0].revents != 0) {
      heard = Clock::now();
      return api->consumeInput(conn) != 0 ? Input::kArrived : Input::kCannotWait;
    }
  }
}

void PgLink::GiveUp(bool cancelled) {
  lost = true;
  const std::string seconds = std::to_string(kHungServerLimit.count());
  lostReason = cancelled ? "The server did not answer the cancel request within " + seconds +
                               " seconds; the connection to it was given up."
                         : "The server sent nothing for " + seconds +
                               " seconds while an unfinished result was read to its end for the next command; the "
                               "connection to it was given up.";
}

void PgLink::Tell(ServerMessage message) {
  const std::lock_guard lock(messagesLock);
  if (messages.size() < kMessagesKept) {
    messages.push_back(std::move(message));
  } else {
    ++messagesDropped;
  }
}

std::vector<ServerMessage> PgLink::TakeMessages() {
  const std::lock_guard lock(messagesLock);
  std::vector<ServerMessage> taken = std::move(messages);
  messages.clear();
  if (messagesDropped > 0) {
    taken.push_back({"WARNING", std::to_string(messagesDropped) + " more messages from the server were left out: " +
                                    std::to_string(kMessagesKept) + " are kept at most."});
    messagesDropped = 0;
  }
  return taken;
}

void PgLink::Notice(void* link, const PGresult* notice) {
  PgLink& self = *static_cast<PgLink*>(link);
  const LibpqApi& api = *self.api;
  // Nothing may be thrown through libpq, which calls this: a message that cannot be kept is counted.
  try {
    // The severity in English where the server sends it (9.6 and later), as it reads it otherwise.
    const char* level = api.resultErrorField(notice, PG_DIAG_SEVERITY_NONLOCALIZED);
    if (level == nullptr) level = api.resultErrorField(notice, PG_DIAG_SEVERITY);
    const char* primary = api.resultErrorField(notice, PG_DIAG_MESSAGE_PRIMARY);
    std::string text = primary != nullptr ? primary : api.resultErrorMessage(notice);
    // As a report reads: the detail and the hint a RAISE or the server adds, on the same line.
    if (const char* detail = api.resultErrorField(notice, PG_DIAG_MESSAGE_DETAIL)) {
      text += std::string(" DETAIL: ") + detail;
    }
    if (const char* hint = api.resultErrorField(notice, PG_DIAG_MESSAGE_HINT)) text += std::string(" HINT: ") + hint;
    self.Tell({level != nullptr ? level : "NOTICE", OneLine(text)});
  } catch (...) {
    const std::lock_guard lock(self.messagesLock);
    ++self.messagesDropped;
  }
}

}  // namespace ql::access
