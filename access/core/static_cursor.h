#pragma once
// A client-side static cursor. Rows come from the provider as navigation first reaches
// them and stay in the cursor's RowStore, so moving back to the first row never touches the database.
//
// Positions and moves: the cursor stands on a row, before the first row (BOF) or after the last
// (EOF); an empty result is BOF and EOF at once. MoveFirst is refused only on an empty result,
// MoveNext at EOF (and so on an empty result); a refused move raises kNoCurrentRecord and leaves the
// position alone. A fetch that fails raises its error from the call that needed the row, leaves the
// position alone, and is raised again by every later call that needs rows the provider did not
// deliver.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "access/core/provider.h"

namespace ql::access {

class StaticCursor {
 public:
  // Reads the first row, so that BOF and EOF are known; a failure there is raised here. The rows
  // held may take `byteLimit` bytes (by default half the machine's memory); a result that needs more
  // fails with kOutOfMemory when navigation reaches the row that does not fit, as does one whose rows
  // pass what a row's address reaches (BlockArena; `offsetLimit` lowers that reach for tests).
  StaticCursor(std::shared_ptr<ProviderSession> session, std::shared_ptr<ErrorList> errors,
               std::unique_ptr<ProviderCursor> rows, std::size_t byteLimit = DefaultByteLimit(),
               std::uint64_t offsetLimit = BlockArena::kMaxOffset);

  static std::size_t DefaultByteLimit();
  StaticCursor(const StaticCursor&) = delete;
  StaticCursor& operator=(const StaticCursor&) = delete;

  bool IsOpen() const noexcept { return open_; }
  // Lets go of the rows, the provider's cursor and the session; every call but IsOpen, Close and
  // ColumnNames then raises kObjectClosed.
  void Close() noexcept;

  // From now on the rows the cursor moves past are dropped, so that reading a result once, front to
  // back, holds one row at a time. MoveFirst then raises kNotSupported, saying so, once a row is gone;
  // RecordCount still counts every row.
  void Stream() noexcept { streaming_ = true; }

  bool Bof() const;
  bool Eof() const;
  void MoveFirst();
  void MoveNext();
  std::int32_t RecordCount();

  const std::vector<std::string>& ColumnNames() const noexcept { return names_; }
  // The column's value on the current row; kNoCurrentRecord at BOF or EOF.
  Variant Value(std::size_t column) const;
  // Value(column) into `value`, keeping the room its text has (RowStore::ReadCell).
  void ReadValue(std::size_t column, Variant& value) const;
  // Every value of the current row, in column order, read in one walk of the row; valid until the
  // cursor moves or closes. kNoCurrentRecord at BOF or EOF.
  std::span<const Variant> Row() const;

  // True once the provider has handed over its last row (or failed): every row there is is held.
  bool Exhausted() const noexcept { return !provider_; }
  // True while the rest of the result keeps the session busy (ProviderCursor::HoldsSession).
  bool HoldsSession() const { return provider_ && provider_->HoldsSession(); }
  // Reads every row still with the provider into the store (ProviderCursor::PrepareSetAside), so that the
  // session is free for another statement and the result stays whole. A failure is kept, and raised
  // where navigation reaches it, as the failure of any fetch is.
  void SetAside();

  // Rows fetched so far, and those of them still held, for tests and measurements.
  std::size_t FetchedRows() const noexcept { return store_ ? Fetched() : 0; }
  std::size_t HeldRows() const noexcept { return store_ ? store_->RowCount() : 0; }

 private:
  void RequireOpen() const;
  // Where the column's cell of the current row starts; raises as Value does.
  const char* Cell(std::size_t column) const;
  // Finds where the current row's cells start (cells_); raises as Value does.
  void LocateRow() const;
  // Fetches one more row; false when the provider has none left.
  bool FetchOne();
  // True when row `index` is held, fetching up to it as needed.
  bool Reach(std::size_t index);

  // The provider's cursor is declared after the session it reads from, so it goes first.
  std::shared_ptr<ProviderSession> session_;
  std::shared_ptr<ErrorList> errors_;
  std::unique_ptr<ProviderCursor> provider_;
  std::vector<std::string> names_;
  std::optional<RowStore> store_;
  std::optional<std::vector<ErrorRecord>> failure_;
  // Where the cells of row `locatedRow_` start, found once so that each field reads its cell directly.
  mutable std::vector<const char*> cells_;
  mutable std::size_t locatedRow_ = static_cast<std::size_t>(-1);
  // The values Row read last, read into again for every row so that a text allocates only when it
  // outgrows every one before it.
  mutable std::vector<Variant> rowValues_;
  // Rows fetched so far (dropped_ plus those the store holds) count as positions: the store's first
  // row is row dropped_ of the result.
  std::size_t Fetched() const noexcept { return dropped_ + store_->RowCount(); }

  std::size_t row_ = 0;
  std::size_t dropped_ = 0;  // rows of the result no longer held (Stream)
  bool streaming_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool open_ = true;
};

}  // namespace ql::access
