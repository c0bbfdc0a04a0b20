#pragma once
// The storage of a static cursor. Cell values are packed one after the other into large
// blocks; a row is the offset of its first cell. Nothing is allocated per cell, and a Variant is made
// only when a value is read.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "access/variant.h"

namespace ql::access {

class RowStore;

// Appends the cells of one row, in column order. A provider calls exactly one Put per column; a row
// left short is completed with NULLs and cells beyond the last column are dropped, so that a faulty
// provider can never make a read run past its row.
class RowWriter {
 public:
  void PutNull();
  void PutInteger(std::int64_t value);  // VT_I4 when it fits 32 bits, VT_I8 otherwise
  void PutUnsigned(std::uint64_t value);  // as PutInteger within int64, VT_UI8 above it
  void PutSmallInt(std::int16_t value);  // VT_I2
  void PutTinyInt(std::int8_t value);    // VT_I1
  void PutReal(float value);             // VT_R4
  void PutDouble(double value);          // VT_R8
  void PutDecimal(std::string_view digits);  // VT_DECIMAL, exact digits as the database gives them
  void PutCurrency(std::int64_t tenThousandths);  // VT_CY
  void PutBool(bool value);                  // VT_BOOL
  void PutDate(double oleDate);              // VT_DATE
  void PutText(std::string_view utf8);       // VT_BSTR
  void PutBinary(std::string_view bytes);    // VT_ARRAY | VT_UI1

 private:
  friend class RowStore;
  explicit RowWriter(RowStore& store) : store_(&store) {}
  RowStore* store_;
};

class RowStore {
 public:
  // Refuses to grow its blocks past `byteLimit` bytes in all: the block that would pass it is not
  // allocated and std::bad_alloc is thrown instead, as when memory runs out.
  explicit RowStore(std::size_t columnCount, std::size_t byteLimit = static_cast<std::size_t>(-1));

  std::size_t ColumnCount() const noexcept { return columnCount_; }
  // Completed rows; a row begun but not yet ended does not count.
  std::size_t RowCount() const noexcept { return rows_.size() - (rowOpen_ ? 1 : 0); }

  // Starts a new row and returns the writer for its cells (ending a row still open).
  RowWriter BeginRow();
  // Completes the row begun last.
  void EndRow();
  // Drops a row begun but not completed (a fetch that failed half-way, or found no row).
  void AbandonRow();
  // Drops every row, keeping the first block's room for the rows to come; for a result read once,
  // front to back, without keeping what was read.
  void Clear() noexcept;

  // The cell of a completed row; `row` < RowCount(), `column` < ColumnCount().
  Variant Value(std::size_t row, std::size_t column) const;

  // For reading many cells of one row: where each of its cells starts (ColumnCount() of them, valid
  // while the store lives, since completed rows never move), and the value of such a cell.
  void LocateCells(std::size_t row, std::vector<const char*>& cells) const;
  static Variant ReadCell(const char* cell);
  // The same into `value`, texts and byte arrays in the room it already has.
  static void ReadCell(const char* cell, Variant& value);
  // Bytes held in blocks, for measuring.
  std::size_t ReservedBytes() const noexcept;

 private:
  friend class RowWriter;
  struct BlockFree {
    void operator()(char* data) const noexcept;
  };
  struct Block {
    std::unique_ptr<char, BlockFree> data;
    std::size_t used = 0;
    std::size_t capacity = 0;
    // Bytes from the start already mapped in advance (see Append).
    std::size_t mapped = 0;
  };
  // Reserves room for `size` more bytes of the row being written, moving the row to a new block when
  // the current one is full, and returns where to write them.
  char* Append(std::size_t size);
  // Maps the pages of `block` from its mapped end past its used end, in advance of the writes.
  static void MapAhead(Block& block);
  const char* RowStart(std::size_t row) const;
  void PutCell(std::uint8_t tag, const void* payload, std::size_t size);
  void PutSized(std::uint8_t tag, std::string_view bytes);

  // Allocates a block of at least `size` bytes within the limit.
  Block NewBlock(std::size_t size);

  std::size_t columnCount_;
  std::size_t byteLimit_;
  std::size_t blockBytes_ = 0;
  // Row r starts in block (rows_[r] >> 32) at byte (rows_[r] & 0xFFFFFFFF).
  std::vector<std::uint64_t> rows_;
  std::vector<Block> blocks_;
  std::size_t cellsInRow_ = 0;
  bool rowOpen_ = false;
};

}  // namespace ql::access
