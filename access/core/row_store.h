#pragma once
// The storage of a static cursor: the cells of each row, encoded one after the other (cell_codec.h)
// in the blocks of an arena (block_arena.h); a row is the packed address of its first cell. Nothing
// is allocated per cell, and a Variant is made only when a value is read.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "access/core/block_arena.h"
#include "access/core/cell_codec.h"
#include "access/variant.h"

namespace ql::access {

class RowStore;

// Appends the cells of one row, in column order. A provider calls exactly one Put per column; a row
// left short is completed with NULLs and cells beyond the last column are dropped, so that a faulty
// provider can never make a read run past its row.
class RowWriter {
 public:
  void PutNull();
  void PutInteger(std::int64_t value);            // VT_I4 when it fits 32 bits, VT_I8 otherwise
  void PutUnsigned(std::uint64_t value);          // as PutInteger within int64, VT_UI8 above it
  void PutSmallInt(std::int16_t value);           // VT_I2
  void PutTinyInt(std::int8_t value);             // VT_I1
  void PutReal(float value);                      // VT_R4
  void PutDouble(double value);                   // VT_R8
  void PutDecimal(std::string_view digits);       // VT_DECIMAL, exact digits as the database gives them
  void PutCurrency(std::int64_t tenThousandths);  // VT_CY
  void PutBool(bool value);                       // VT_BOOL
  void PutDate(double oleDate);                   // VT_DATE
  // VT_DATE of `fields` (which IsCalendarTime accepts), kept as the fields for display (Variant::Date).
  void PutDate(const CalendarTime& fields);
  // The date an ISO text writes (CalendarTimeFromIsoText), kept as its fields; false, with nothing
  // written, when the text is no such date and the caller must keep it some other way.
  bool PutDateText(std::string_view text);
  void PutText(std::string_view utf8);     // VT_BSTR
  void PutBinary(std::string_view bytes);  // VT_ARRAY | VT_UI1

 private:
  friend class RowStore;
  explicit RowWriter(RowStore& store) : store_(&store) {}
  RowStore* store_;
};

class RowStore {
 public:
  // Refuses to grow its blocks past `byteLimit` bytes in all: the block that would pass it is not
  // allocated and std::bad_alloc is thrown instead, as when memory runs out. `offsetLimit` is the
  // arena's (BlockArena): a row that cannot be addressed raises AddressSpaceFull from EndRow.
  explicit RowStore(std::size_t columnCount, std::size_t byteLimit = static_cast<std::size_t>(-1),
                    std::uint64_t offsetLimit = BlockArena::kMaxOffset);

  std::size_t ColumnCount() const noexcept { return columnCount_; }
  // Completed rows; a row begun but not yet ended does not count.
  std::size_t RowCount() const noexcept { return rows_.size(); }

  // Starts a new row and returns the writer for its cells (ending a row still open).
  RowWriter BeginRow();
  // Completes the row begun last (the row stays open when this raises).
  void EndRow();
  // Drops a row begun but not completed (a fetch that failed half-way, or found no row).
  void AbandonRow();
  // Drops every row, keeping the first block's room for the rows to come; for a result read once,
  // front to back, without keeping what was read.
  void Clear() noexcept;

  // The cell of a completed row; `row` < RowCount(), `column` < ColumnCount().
  Variant Value(std::size_t row, std::size_t column) const;

  // Every cell of a completed row into `values` (made ColumnCount() long), in one walk of the row,
  // texts and byte arrays in the room each variant already has.
  void ReadRow(std::size_t row, std::vector<Variant>& values) const;

  // For reading many cells of one row: where each of its cells starts (ColumnCount() of them, valid
  // while the store lives, since completed rows never move), and the value of such a cell.
  void LocateCells(std::size_t row, std::vector<const char*>& cells) const;
  static Variant ReadCell(const char* cell) { return DecodeCell(cell); }
  // The same into `value`, texts and byte arrays in the room it already has.
  static void ReadCell(const char* cell, Variant& value) { DecodeCell(cell, value); }
  // Bytes held in blocks and in the table of rows, for measuring.
  std::size_t ReservedBytes() const noexcept {
    return arena_.ReservedBytes() + rows_.size() * sizeof(BlockArena::Address);
  }

 private:
  friend class RowWriter;
  const char* RowStart(std::size_t row) const;
  // One cell more of the open row; a cell beyond the last column, or outside a row, is dropped.
  void PutCell(CellTag tag, const void* payload, std::size_t size) {
    if (!rowOpen_ || cellsInRow_ >= columnCount_) return;
    EncodeFixedCell(arena_.Extend(FixedCellSize(size)), tag, payload, size);
    ++cellsInRow_;
  }
  void PutSized(CellTag tag, std::string_view bytes) {
    if (!rowOpen_ || cellsInRow_ >= columnCount_) return;
    EncodeSizedCell(arena_.Extend(SizedCellSize(bytes.size())), tag, bytes);
    ++cellsInRow_;
  }

  std::size_t columnCount_;
  BlockArena arena_;
  // Where each completed row starts. A deque grows in chunks without moving what it holds, so a
  // large result's table is written once rather than copied at each doubling, into memory it has
  // just had to map.
  std::deque<BlockArena::Address> rows_;
  std::size_t cellsInRow_ = 0;
  bool rowOpen_ = false;
};

inline void RowWriter::PutNull() { store_->PutCell(kCellNull, nullptr, 0); }
inline void RowWriter::PutText(std::string_view utf8) { store_->PutSized(kCellText, utf8); }
inline void RowWriter::PutBinary(std::string_view bytes) { store_->PutSized(kCellBinary, bytes); }
inline void RowWriter::PutDouble(double value) { store_->PutCell(kCellDouble, &value, sizeof value); }
inline void RowWriter::PutDate(double oleDate) { store_->PutCell(kCellDate, &oleDate, sizeof oleDate); }

}  // namespace ql::access
