#pragma once
// The rows of one PostgreSQL result, read from the connection as the layer asks for them
// (one at a time, or in chunks where libpq offers that), and a few batches ahead on a thread of their
// own (PgReadAhead), so memory holds only what navigation reached and a bounded amount more.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/core/provider.h"
#include "access/postgres/pg_read_ahead.h"
#include "access/postgres/pg_session.h"
#include "access/postgres/pg_values.h"

namespace ql::access {

class PgCursor final : public ProviderCursor {
 public:
  // `first` is the first piece of a result that has columns: a row, or the whole (empty) result.
  // The cursor becomes the link's streaming cursor while rows are still to come; it reads only its
  // own result, and a failure within it.
  // `cancellable`: nothing of the statement's text ran before this result, so cancelling it undoes
  // no work already reported as done.
  PgCursor(std::shared_ptr<PgLink> link, PgResult first, bool cancellable);
  // The rest of a result left partly read is dropped with every result of the text after it, so the
  // connection is ready for the next statement; when the result is cancellable the server is first
  // asked to stop producing it. A result read to its end leaves what follows it alone.
  ~PgCursor() override;
  PgCursor(const PgCursor&) = delete;
  PgCursor& operator=(const PgCursor&) = delete;

  const std::vector<std::string>& ColumnNames() const override { return names_; }
  bool FetchRow(RowWriter& row) override;
  bool HoldsSession() const override { return streaming_; }
  // From now on a server that sends nothing for kHungServerLimit is given up, and at the result's
  // end the text's later results are dropped, the first failure among them raised after the last row.
  void PrepareSetAside() override;

  // Ends the result where it stands, so that another statement can run: the rest is dropped (the
  // server asked to stop producing it when the result is cancellable), and reading on raises a
  // failure that says so. Only for a cursor whose rows nobody set aside.
  void Drop();
  // Stops reading ahead, so that the connection can be used: the rows read ahead stay, and reading
  // ahead goes on once they are handed over.
  void Pause() noexcept;

 private:
  // The next rows from the connection; null when the result has ended or failed, which ends the
  // streaming.
  PgResult Receive();
  void Finish(std::vector<ErrorRecord> failure);
  // Cancels the result when it is cancellable, and drops the rest of the text's results.
  void StopStreaming();
  // The next row of the current result or batch into `row`; false when neither has one left.
  bool PutHeldRow(RowWriter& row);
  // The next batch of rows read ahead, starting the reader as needed; false when none is left (the
  // result has then ended, or the reader is paused or could not start).
  bool NextBatch();

  std::shared_ptr<PgLink> link_;
  std::vector<std::string> names_;
  std::vector<PgValueKind> kinds_;
  PgResult current_;
  int nextRow_ = 0;
  // While the result streams, its rows are read ahead on another thread (null before the first
  // batch, and once the result has ended); `batch_` holds rows taken from it, from `batchRow_` and
  // the cell at `batchCell_`, whose bytes start at `batchByte_`.
  std::unique_ptr<PgReadAhead> ahead_;
  PgReadAhead::Batch batch_;
  std::size_t batchRow_ = 0;
  std::size_t batchCell_ = 0;
  std::size_t batchByte_ = 0;
  bool readAhead_ = true;                            // false once no thread could be had
  std::optional<std::vector<ErrorRecord>> failure_;  // raised once the rows before it are read
  PgWait wait_ = PgWait::kAsLongAsItTakes;
  bool setAside_ = false;
  bool streaming_ = false;
  bool cancellable_;
};

}  // namespace ql::access
