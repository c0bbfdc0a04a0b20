#include "access/postgres/pg_cursor.h"

#include <system_error>
#include <utility>

namespace ql::access {
namespace {

bool HasRows(const LibpqApi& api, const PGresult* result) {
  const ExecStatusType status = api.resultStatus(result);
  // PGRES_TUPLES_CHUNK (libpq 17) is 12; the header of an older libpq does not name it.
  return status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK || static_cast<int>(status) == 12;
}

}  // namespace

PgCursor::PgCursor(std::shared_ptr<PgLink> link, PgResult first, bool cancellable)
    : link_(std::move(link)), current_(std::move(first)), cancellable_(cancellable) {
  const LibpqApi& api = *link_->api;
  const int columns = api.nfields(current_.get());
  names_.reserve(static_cast<std::size_t>(columns));
  kinds_.reserve(static_cast<std::size_t>(columns));
  for (int i = 0; i < columns; ++i) {
    const char* name = api.fname(current_.get(), i);
    names_.emplace_back(name != nullptr ? name : "");
    kinds_.push_back(KindOfType(api.ftype(current_.get(), i)));
  }
  if (api.resultStatus(current_.get()) == PGRES_TUPLES_OK) {
    // The whole result at once: the statement ran without single-row mode, or returned no rows. The
    // text's results after it stay on the connection for the session's NextResult.
    Finish({});
  } else {
    streaming_ = true;
    link_->streaming = this;
  }
}

PgCursor::~PgCursor() {
  ahead_.reset();
  if (streaming_) StopStreaming();
}

// Bounded: the user asked for another command, not to wait on this result.
void PgCursor::StopStreaming() {
  link_->streaming = nullptr;
  streaming_ = false;
  // A text's statements form one transaction on the server: cancelling would also undo statements
  // before this one, which reported success, so then the rows are read to the end instead.
  if (cancellable_) link_->Cancel();
  link_->Drain(PgWait::kBounded);
}

void PgCursor::Drop() {
  if (!streaming_) return;
  ahead_.reset();
  batch_ = {};
  batchRow_ = 0;
  StopStreaming();
  current_.reset();
  failure_ = std::vector<ErrorRecord>{
      {kProviderFailed, "PostgreSQL", "The rest of this result was dropped so that another statement could run."}};
}

void PgCursor::Pause() noexcept {
  if (ahead_) ahead_->Stop();
}

void PgCursor::PrepareSetAside() {
  // The rest is read here, with bounded waits, once the rows read ahead are handed over.
  Pause();
  wait_ = PgWait::kBounded;
  setAside_ = true;
}

void PgCursor::Finish(std::vector<ErrorRecord> failure) {
  if (streaming_) link_->streaming = nullptr;
  streaming_ = false;
  if (!failure.empty()) failure_ = std::move(failure);
}

PgResult PgCursor::Receive() {
  BusyLink busy(*link_);
  const LibpqApi& api = *link_->api;
  PgResult next = link_->NextResult(wait_);
  if (link_->lost) {
    Finish(link_->LostRecords());
    return next;
  }
  if (!next) {
    link_->unfinished = false;
    Finish({});
    return next;
  }
  if (api.resultStatus(next.get()) == PGRES_TUPLES_OK) {
    // The result's end. The results of the statements after it in the same text are left on the
    // connection for the session's NextResult, or the next text sent drops them; a result set aside
    // drops them now, and a failure among them is raised once its rows are read, since nothing else
    // reads it now.
    next.reset();
    Finish(setAside_ && link_->unfinished ? link_->Drain(wait_) : std::vector<ErrorRecord>{});
    return next;
  }
  if (!HasRows(api, next.get())) {
    std::vector<ErrorRecord> failure = link_->Records(next.get());
    next.reset();
    link_->Drain(wait_);
    Finish(std::move(failure));
  }
  return next;
}

bool PgCursor::NextBatch() {
  if (!streaming_ || (!ahead_ && (setAside_ || !readAhead_))) return false;
  try {
    if (!ahead_) {
      ahead_ = std::make_unique<PgReadAhead>(*link_, kinds_.size());
    } else if (!setAside_ && readAhead_) {
      ahead_->Resume();
    }
  } catch (const std::system_error&) {
    // Without a thread the rows are read as they are asked for.
    readAhead_ = false;
    if (!ahead_) return false;
  }
  batchRow_ = batchCell_ = batchByte_ = 0;
  if (ahead_->Take(batch_)) return true;
  std::optional<std::vector<ErrorRecord>> ending = ahead_->TakeEnding();
  if (!ending) return false;
  ahead_.reset();
  // As Receive ends the result: a failure drops the text's later results, and a result set aside
  // drops them at its end, raising the first failure among them once its rows are read.
  std::vector<ErrorRecord> failure = std::move(*ending);
  if (!failure.empty()) {
    if (!link_->lost) link_->Drain(wait_);
  } else if (setAside_ && link_->unfinished) {
    failure = link_->Drain(wait_);
  }
  Finish(std::move(failure));
  return false;
}

bool PgCursor::PutHeldRow(RowWriter& row) {
  const LibpqApi& api = *link_->api;
  if (current_ && nextRow_ < api.ntuples(current_.get())) {
    const PGresult* result = current_.get();
    const int r = nextRow_++;
    for (std::size_t c = 0; c < kinds_.size(); ++c) {
      const int column = static_cast<int>(c);
      const int length = api.getlength(result, r, column);
      // Only an empty value may be NULL.
      if (length == 0 && api.getisnull(result, r, column)) {
        row.PutNull();
      } else {
        PutPgValue(kinds_[c], std::string_view(api.getvalue(result, r, column), static_cast<std::size_t>(length)), row);
      }
    }
    return true;
  }
  if (batchRow_ >= batch_.rows) return false;
  ++batchRow_;
  for (std::size_t c = 0; c < kinds_.size(); ++c) {
    const int length = batch_.lengths[batchCell_++];
    if (length < 0) {
      row.PutNull();
    } else {
      const auto size = static_cast<std::size_t>(length);
      PutPgValue(kinds_[c], std::string_view(batch_.bytes.data() + batchByte_, size), row);
      batchByte_ += size;
    }
  }
  return true;
}

bool PgCursor::FetchRow(RowWriter& row) {
  for (;;) {
    if (PutHeldRow(row)) return true;
    current_.reset();
    if (NextBatch()) continue;
    if (streaming_) {
      current_ = Receive();
      nextRow_ = 0;
    } else if (failure_) {
      link_->errors->Raise(*failure_);
    } else {
      return false;
    }
  }
}

}  // namespace ql::access
