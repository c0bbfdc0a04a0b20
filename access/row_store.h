#pragma once
// Internal: the storage of a static cursor. Cell values are packed one after the other into large
// blocks; a row is the offset of its first cell. Nothing is allocated per cell, and a Variant is made
// only when a value is read.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "access/variant.h"

namespace access {

class RowStore;

// Appends the cells of one row, in column order. A provider calls exactly one Put per column.
class RowWriter {
 public:
  void PutNull();
  void PutInteger(std::int64_t value);  // VT_I4 when it fits 32 bits, VT_I8 otherwise
  void PutSmallInt(std::int16_t value);  // VT_I2
  void PutTinyInt(std::int8_t value);    // VT_I1
  void PutReal(float value);             // VT_R4
  void PutDouble(double value);          // VT_R8
  void PutDecimal(std::string_view digits);  // VT_DECIMAL, exact digits as the database gives them
  void PutBool(bool value);                  // VT_BOOL
  void PutDate(double oleDate);              // VT_DATE
  void PutText(std::string_view utf8);       // VT_BSTR
  void PutBinary(std::string_view bytes);    // VT_ARRAY | VT_UI1

 private:
  friend class RowStore;
  explicit RowWriter(RowStore& store) : store_(store) {}
  RowStore& store_;
};

class RowStore {
 public:
  explicit RowStore(std::size_t columnCount);

  std::size_t ColumnCount() const noexcept { return columnCount_; }
  std::size_t RowCount() const noexcept { return rows_.size(); }

  // Starts a new row and returns the writer for its cells.
  RowWriter BeginRow();
  // Drops a row begun but not completed (a fetch that failed half-way).
  void AbandonRow();

  Variant Value(std::size_t row, std::size_t column) const;

 private:
  friend class RowWriter;
  // Implementation details (blocks, offsets, encoding) belong to row_store.cpp.
  std::size_t columnCount_;
  std::vector<std::uint64_t> rows_;
  std::vector<std::vector<char>> blocks_;
};

}  // namespace access
