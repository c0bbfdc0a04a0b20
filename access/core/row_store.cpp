#include "access/core/row_store.h"

#include <limits>
#include <optional>

#include "access/core/date_text.h"
#include "access/data_access_error.h"

namespace ql::access {

void RowWriter::PutInteger(std::int64_t value) {
  if (value >= std::numeric_limits<std::int8_t>::min() && value <= std::numeric_limits<std::int8_t>::max()) {
    const auto narrow = static_cast<std::int8_t>(value);
    store_->PutCell(kCellInt8As4, &narrow, sizeof narrow);
  } else if (value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max()) {
    const auto narrow = static_cast<std::int16_t>(value);
    store_->PutCell(kCellInt16As4, &narrow, sizeof narrow);
  } else if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
    const auto narrow = static_cast<std::int32_t>(value);
    store_->PutCell(kCellInt32, &narrow, sizeof narrow);
  } else {
    store_->PutCell(kCellInt64, &value, sizeof value);
  }
}

void RowWriter::PutUnsigned(std::uint64_t value) {
  if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return PutInteger(static_cast<std::int64_t>(value));
  }
  store_->PutCell(kCellUInt64, &value, sizeof value);
}

void RowWriter::PutCurrency(std::int64_t tenThousandths) {
  store_->PutCell(kCellCurrency, &tenThousandths, sizeof tenThousandths);
}

void RowWriter::PutSmallInt(std::int16_t value) { store_->PutCell(kCellSmallInt, &value, sizeof value); }
void RowWriter::PutTinyInt(std::int8_t value) { store_->PutCell(kCellTinyInt, &value, sizeof value); }
void RowWriter::PutReal(float value) { store_->PutCell(kCellReal, &value, sizeof value); }
void RowWriter::PutDecimal(std::string_view digits) { store_->PutSized(kCellDecimal, digits); }
void RowWriter::PutDate(const CalendarTime& fields) {
  char payload[kDateFieldsPayload];
  EncodeDateFields(payload, fields);
  store_->PutCell(kCellDateFields, payload, sizeof payload);
}

bool RowWriter::PutDateText(std::string_view text) {
  const std::optional<CalendarTime> fields = CalendarTimeFromIsoText(text);
  if (!fields || !IsCalendarTime(*fields)) return false;
  PutDate(*fields);
  return true;
}

void RowWriter::PutBool(bool value) { store_->PutCell(value ? kCellTrue : kCellFalse, nullptr, 0); }

RowStore::RowStore(std::size_t columnCount, std::size_t byteLimit, std::uint64_t offsetLimit)
    : columnCount_(columnCount), arena_(byteLimit, offsetLimit) {}

RowWriter RowStore::BeginRow() {
  if (rowOpen_) EndRow();
  arena_.BeginRow();
  rowOpen_ = true;
  cellsInRow_ = 0;
  return RowWriter(*this);
}

void RowStore::AbandonRow() {
  if (!rowOpen_) return;
  arena_.AbandonRow();
  rowOpen_ = false;
  cellsInRow_ = 0;
}

void RowStore::Clear() noexcept {
  rows_.clear();
  rowOpen_ = false;
  cellsInRow_ = 0;
  arena_.Clear();
}

void RowStore::EndRow() {
  if (!rowOpen_) return;
  while (cellsInRow_ < columnCount_) PutCell(kCellNull, nullptr, 0);
  rows_.push_back(arena_.EndRow());
  rowOpen_ = false;
}

const char* RowStore::RowStart(std::size_t row) const {
  // The row being written is not readable yet; its cells are still incomplete.
  if (row >= RowCount()) throw DataAccessError(kNoCurrentRecord);
  return arena_.At(rows_[row]);
}

Variant RowStore::Value(std::size_t row, std::size_t column) const {
  if (column >= columnCount_) throw DataAccessError(kNoCurrentRecord);
  const char* cell = RowStart(row);
  for (std::size_t i = 0; i < column; ++i) cell = SkipCell(cell);
  return DecodeCell(cell);
}

void RowStore::ReadRow(std::size_t row, std::vector<Variant>& values) const {
  const char* cell = RowStart(row);
  values.resize(columnCount_);
  for (Variant& value : values) cell = DecodeCell(cell, value);
}

void RowStore::LocateCells(std::size_t row, std::vector<const char*>& cells) const {
  const char* cell = RowStart(row);
  cells.resize(columnCount_);
  for (std::size_t i = 0; i < columnCount_; ++i) {
    cells[i] = cell;
    cell = SkipCell(cell);
  }
}

}  // namespace ql::access
