#include "access/postgres/pg_link.h"

#include "access/postgres/pg_keys.h"
#include "access/core/sql_state.h"

namespace ql::access {
namespace {

constexpr const char* kSource = "PostgreSQL";

}  // namespace

std::vector<ErrorRecord> PgLink::Records(const PGresult* result) const {
  std::string description;
  std::string state;
  if (result != nullptr) {
    const char* primary = api->resultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    const char* detail = api->resultErrorField(result, PG_DIAG_MESSAGE_DETAIL);
    const char* sqlState = api->resultErrorField(result, PG_DIAG_SQLSTATE);
    if (primary != nullptr) description = primary;
    if (detail != nullptr) description += std::string(" DETAIL: ") + detail;
    if (sqlState != nullptr) state = sqlState;
    if (description.empty()) description = api->resultErrorMessage(result);
  }
  if (description.empty()) description = api->errorMessage(connection.get());
  description = WithoutSecrets(OneLine(description), secrets);
  if (description.empty()) description = "The server gave no reason.";
  if (!state.empty()) description += " (SQLSTATE " + state + ")";
  return {{MapSqlState(state), kSource, std::move(description)}};
}

void PgLink::RaiseConnection(std::string_view doing) const {
  std::string message = WithoutSecrets(OneLine(api->errorMessage(connection.get())), secrets);
  if (message.empty()) message = std::string(doing) + " failed, and libpq gave no reason.";
  errors->Raise(kProviderFailed, kSource, std::move(message));
}

std::vector<ErrorRecord> PgLink::Drain() {
  std::vector<ErrorRecord> failure;
  BusyLink busy(*this);
  // libpq ends every statement's results with a null one, a lost connection included; a copy is
  // ended below so that it does too.
  for (;;) {
    PgResult result(api->getResult(connection.get()), PgResultFree{api});
    if (!result) {
      unfinished = false;
      break;
    }
    const ExecStatusType status = api->resultStatus(result.get());
    if (status == PGRES_COPY_IN || status == PGRES_COPY_BOTH) {
      // Nothing is sent: the copy ends with a failure the server reports as the next result.
      api->putCopyEnd(connection.get(), "copying from the client is not supported");
    } else if (status == PGRES_COPY_OUT) {
      char* data = nullptr;
      while (api->getCopyData(connection.get(), &data, 0) > 0) {
        api->freemem(data);
        data = nullptr;
      }
    }
    if (failure.empty() && (status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE)) {
      failure = Records(result.get());
    }
  }
  return failure;
}

void PgLink::Tell(ServerMessage message) {
  if (messages.size() < kMessagesKept) {
    messages.push_back(std::move(message));
  } else {
    ++messagesDropped;
  }
}

std::vector<ServerMessage> PgLink::TakeMessages() {
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
    ++self.messagesDropped;
  }
}

}  // namespace ql::access
