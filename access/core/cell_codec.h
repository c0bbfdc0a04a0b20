#pragma once
// How one cell of a row is held in bytes: a tag byte, then its payload. Integers that fit 32 bits take
// the narrowest of 1, 2 or 4 bytes; variable-length values carry their length as a base-128 varint
// before the bytes. A cell is read back as the Variant it was put as.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "access/variant.h"

namespace ql::access {

enum CellTag : std::uint8_t {
  kCellNull,
  kCellInt8As4,
  kCellInt16As4,
  kCellInt32,
  kCellInt64,
  kCellSmallInt,
  kCellTinyInt,
  kCellReal,
  kCellDouble,
  kCellDecimal,
  kCellFalse,
  kCellTrue,
  kCellDate,
  kCellText,
  kCellBinary,
  kCellUInt64,
  kCellCurrency,
  kCellDateFields,  // a date kept as its calendar fields (Variant::Date(oleDate, fields))
};

// The payload of a kCellDateFields cell: the fields in 5 bytes (PackCalendarTime, lowest byte first),
// fewer than the date's 8, which is made from them again when the cell is read. `fields` are ones
// IsCalendarTime accepts.
inline constexpr std::size_t kDateFieldsPayload = kPackedCalendarTimeBits / 8;
void EncodeDateFields(char* out, const CalendarTime& fields);

// Bytes a cell takes whose payload is `size` bytes of fixed size.
constexpr std::size_t FixedCellSize(std::size_t size) { return 1 + size; }

// Bytes a cell takes whose payload is `size` bytes of variable length.
constexpr std::size_t SizedCellSize(std::size_t size) {
  std::size_t length = 1;
  for (std::uint64_t rest = size; rest >= 0x80; rest >>= 7) ++length;
  return 1 + length + size;
}

// Writes a cell at `out` (FixedCellSize(size) bytes).
inline void EncodeFixedCell(char* out, CellTag tag, const void* payload, std::size_t size) {
  *out = static_cast<char>(tag);
  if (size != 0) std::memcpy(out + 1, payload, size);
}

// Writes a cell at `out` (SizedCellSize(bytes.size()) bytes).
inline void EncodeSizedCell(char* out, CellTag tag, std::string_view bytes) {
  *out++ = static_cast<char>(tag);
  std::uint64_t size = bytes.size();
  while (size >= 0x80) {
    *out++ = static_cast<char>((size & 0x7F) | 0x80);
    size >>= 7;
  }
  *out++ = static_cast<char>(size);
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
}

// Where the cell after `cell` starts.
const char* SkipCell(const char* cell);
// The cell's value.
Variant DecodeCell(const char* cell);
// The same into `value`, texts and byte arrays in the room it already has; returns where the cell
// after it starts, as SkipCell does.
const char* DecodeCell(const char* cell, Variant& value);

}  // namespace ql::access
