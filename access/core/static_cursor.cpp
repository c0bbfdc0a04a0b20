#include "access/core/static_cursor.h"

#include <limits>
#include <new>

#include <unistd.h>

#include "access/core/layer_error.h"

namespace ql::access {
namespace {
constexpr std::string_view kObject = "Recordset";
}  // namespace

std::size_t StaticCursor::DefaultByteLimit() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return static_cast<std::size_t>(-1);
  return static_cast<std::size_t>(pages) / 2 * static_cast<std::size_t>(pageSize);
}

StaticCursor::StaticCursor(std::shared_ptr<ProviderSession> session, std::shared_ptr<ErrorList> errors,
                           std::unique_ptr<ProviderCursor> rows, std::size_t byteLimit, std::uint64_t offsetLimit)
    : session_(std::move(session)), errors_(std::move(errors)), provider_(std::move(rows)) {
  names_ = provider_->ColumnNames();
  store_.emplace(names_.size(), byteLimit, offsetLimit);
  if (Reach(0)) bof_ = eof_ = false;
}

void StaticCursor::Close() noexcept {
  provider_.reset();
  session_.reset();
  store_.reset();
  failure_.reset();
  cells_.clear();
  rowValues_.clear();
  locatedRow_ = static_cast<std::size_t>(-1);
  open_ = false;
  bof_ = eof_ = true;
}

void StaticCursor::RequireOpen() const {
  if (!open_) RaiseLayerError(kObjectClosed, kObject);
}

bool StaticCursor::Bof() const {
  RequireOpen();
  return bof_;
}

bool StaticCursor::Eof() const {
  RequireOpen();
  return eof_;
}

void StaticCursor::MoveFirst() {
  RequireOpen();
  if (bof_ && eof_) RaiseLayerError(kNoCurrentRecord, kObject);
  if (dropped_ > 0) {
    throw DataAccessError(kNotSupported, std::string(kObject),
                          "The rows of this result were streamed and are not kept; run the statement again to read "
                          "them from the first.");
  }
  row_ = 0;
  bof_ = eof_ = false;
}

void StaticCursor::MoveNext() {
  RequireOpen();
  if (eof_) RaiseLayerError(kNoCurrentRecord, kObject);
  if (bof_) {
    row_ = 0;
    bof_ = false;
    return;
  }
  if (streaming_ && store_->RowCount() > 0 && row_ + 1 >= Fetched()) {
    // Only the current row is held, and it is being left: the next one takes its room.
    dropped_ = Fetched();
    store_->Clear();
    locatedRow_ = static_cast<std::size_t>(-1);
  }
  if (Reach(row_ + 1)) {
    ++row_;
  } else {
    row_ = Fetched();
    eof_ = true;
  }
}

std::int32_t StaticCursor::RecordCount() {
  RequireOpen();
  while (FetchOne()) {
  }
  const std::size_t count = Fetched();
  if (count > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw DataAccessError(kOutOfRange, std::string(kObject), "The result has too many rows to count.");
  }
  return static_cast<std::int32_t>(count);
}

void StaticCursor::LocateRow() const {
  RequireOpen();
  if (bof_ || eof_) RaiseLayerError(kNoCurrentRecord, kObject);
  if (locatedRow_ != row_) {
    store_->LocateCells(row_ - dropped_, cells_);
    locatedRow_ = row_;
  }
}

const char* StaticCursor::Cell(std::size_t column) const {
  LocateRow();
  if (column >= names_.size()) RaiseLayerError(kItemNotFound, kObject);
  return cells_[column];
}

std::span<const Variant> StaticCursor::Row() const {
  RequireOpen();
  if (bof_ || eof_) RaiseLayerError(kNoCurrentRecord, kObject);
  store_->ReadRow(row_ - dropped_, rowValues_);
  return rowValues_;
}

Variant StaticCursor::Value(std::size_t column) const { return RowStore::ReadCell(Cell(column)); }

void StaticCursor::ReadValue(std::size_t column, Variant& value) const { RowStore::ReadCell(Cell(column), value); }

void StaticCursor::SetAside() {
  if (!provider_) return;
  provider_->PrepareSetAside();
  try {
    while (FetchOne()) {
    }
  } catch (const DataAccessError&) {
    // FetchOne has kept it for the call that reaches it.
  }
}

bool StaticCursor::Reach(std::size_t index) {
  while (Fetched() <= index) {
    if (!FetchOne()) return false;
  }
  return true;
}

bool StaticCursor::FetchOne() {
  if (failure_) errors_->Raise(*failure_);
  if (!provider_) return false;
  try {
    RowWriter writer = store_->BeginRow();
    if (!provider_->FetchRow(writer)) {
      store_->AbandonRow();
      // Every row is held: the provider's statement (and whatever lock it holds) can go.
      provider_.reset();
      return false;
    }
    store_->EndRow();
    return true;
  } catch (const DataAccessError&) {
    store_->AbandonRow();
    provider_.reset();
    failure_ = errors_->Records();
    throw;
  } catch (const std::bad_alloc& error) {
    store_->AbandonRow();
    provider_.reset();
    const bool addressable = dynamic_cast<const AddressSpaceFull*>(&error) == nullptr;
    failure_ = std::vector<ErrorRecord>{
        {kOutOfMemory, std::string(kObject),
         addressable ? "There is not enough memory to hold the rows of this result."
                     : "The rows of this result cannot be held: " + std::string(error.what()) + "."}};
    errors_->Raise(*failure_);
  }
}

}  // namespace ql::access
