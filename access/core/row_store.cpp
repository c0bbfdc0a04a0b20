#include "access/core/row_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "access/data_access_error.h"

namespace ql::access {
namespace {

// Blocks are allocated uninitialised, so only the pages actually written cost memory. A result that
// needs a second block is a large one: from the second block on, pages are mapped ahead of the rows
// a stretch at a time, one call instead of a page fault per 4 KiB page (which took a fifth of the
// time of reading a large result). That costs at most one stretch more than the rows need.
constexpr std::size_t kBlockSize = std::size_t{2} << 20;
constexpr std::size_t kMapAhead = std::size_t{256} << 10;
// Blocks start on a page and hold whole pages, as mapping them whole requires.
constexpr std::size_t kPage = 4096;

// Each cell is a tag byte and its payload. Integers that fit 32 bits take the narrowest of 1, 2 or 4
// bytes; variable-length values carry their length as a base-128 varint before the bytes.
enum Tag : std::uint8_t {
  kNull,
  kInt8As4,
  kInt16As4,
  kInt32,
  kInt64,
  kSmallInt,
  kTinyInt,
  kReal,
  kDouble,
  kDecimal,
  kFalse,
  kTrue,
  kDate,
  kText,
  kBinary,
  kUInt64,
  kCurrency,
};

std::size_t VarintSize(std::uint64_t value) {
  std::size_t size = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++size;
  }
  return size;
}

char* WriteVarint(char* out, std::uint64_t value) {
  while (value >= 0x80) {
    *out++ = static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  *out++ = static_cast<char>(value);
  return out;
}

std::uint64_t ReadVarint(const char*& in) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<std::uint8_t>(*in++);
    value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return value;
  }
}

template <class T>
T Load(const char* in) {
  T value;
  std::memcpy(&value, in, sizeof value);
  return value;
}

std::size_t FixedSize(std::uint8_t tag) {
  switch (tag) {
    case kInt8As4:
    case kTinyInt:
      return 1;
    case kInt16As4:
    case kSmallInt:
      return 2;
    case kInt32:
    case kReal:
      return 4;
    case kInt64:
    case kUInt64:
    case kCurrency:
    case kDouble:
    case kDate:
      return 8;
    default:
      return 0;
  }
}

bool IsSized(std::uint8_t tag) { return tag == kDecimal || tag == kText || tag == kBinary; }

const char* SkipCell(const char* cell) {
  const auto tag = static_cast<std::uint8_t>(*cell++);
  if (IsSized(tag)) {
    const std::uint64_t size = ReadVarint(cell);
    return cell + size;
  }
  return cell + FixedSize(tag);
}

Variant DecodeCell(const char* cell) {
  const auto tag = static_cast<std::uint8_t>(*cell++);
  switch (tag) {
    case kInt8As4:
      return Variant::I4(Load<std::int8_t>(cell));
    case kInt16As4:
      return Variant::I4(Load<std::int16_t>(cell));
    case kInt32:
      return Variant::I4(Load<std::int32_t>(cell));
    case kInt64:
      return Variant::I8(Load<std::int64_t>(cell));
    case kUInt64:
      return Variant::UI8(Load<std::uint64_t>(cell));
    case kCurrency:
      return Variant::Currency(Load<std::int64_t>(cell));
    case kSmallInt:
      return Variant::I2(Load<std::int16_t>(cell));
    case kTinyInt:
      return Variant::I1(Load<std::int8_t>(cell));
    case kReal:
      return Variant::R4(Load<float>(cell));
    case kDouble:
      return Variant::R8(Load<double>(cell));
    case kFalse:
      return Variant::Bool(VARIANT_FALSE);
    case kTrue:
      return Variant::Bool(VARIANT_TRUE);
    case kDate:
      return Variant::Date(Load<double>(cell));
    case kDecimal:
    case kText:
    case kBinary: {
      const std::uint64_t size = ReadVarint(cell);
      const std::string_view bytes(cell, size);
      if (tag == kDecimal) return Variant::Decimal(bytes);
      if (tag == kText) return Variant::Text(bytes);
      return Variant::Bytes(bytes);
    }
    default:
      return Variant::Null();
  }
}

}  // namespace

void RowWriter::PutNull() { store_->PutCell(kNull, nullptr, 0); }

void RowWriter::PutInteger(std::int64_t value) {
  if (value >= std::numeric_limits<std::int8_t>::min() && value <= std::numeric_limits<std::int8_t>::max()) {
    const auto narrow = static_cast<std::int8_t>(value);
    store_->PutCell(kInt8As4, &narrow, sizeof narrow);
  } else if (value >= std::numeric_limits<std::int16_t>::min() &&
             value <= std::numeric_limits<std::int16_t>::max()) {
    const auto narrow = static_cast<std::int16_t>(value);
    store_->PutCell(kInt16As4, &narrow, sizeof narrow);
  } else if (value >= std::numeric_limits<std::int32_t>::min() &&
             value <= std::numeric_limits<std::int32_t>::max()) {
    const auto narrow = static_cast<std::int32_t>(value);
    store_->PutCell(kInt32, &narrow, sizeof narrow);
  } else {
    store_->PutCell(kInt64, &value, sizeof value);
  }
}

void RowWriter::PutUnsigned(std::uint64_t value) {
  if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return PutInteger(static_cast<std::int64_t>(value));
  }
  store_->PutCell(kUInt64, &value, sizeof value);
}

void RowWriter::PutCurrency(std::int64_t tenThousandths) {
  store_->PutCell(kCurrency, &tenThousandths, sizeof tenThousandths);
}

void RowWriter::PutSmallInt(std::int16_t value) { store_->PutCell(kSmallInt, &value, sizeof value); }
void RowWriter::PutTinyInt(std::int8_t value) { store_->PutCell(kTinyInt, &value, sizeof value); }
void RowWriter::PutReal(float value) { store_->PutCell(kReal, &value, sizeof value); }
void RowWriter::PutDouble(double value) { store_->PutCell(kDouble, &value, sizeof value); }
void RowWriter::PutDecimal(std::string_view digits) { store_->PutSized(kDecimal, digits); }
void RowWriter::PutBool(bool value) { store_->PutCell(value ? kTrue : kFalse, nullptr, 0); }
void RowWriter::PutDate(double oleDate) { store_->PutCell(kDate, &oleDate, sizeof oleDate); }
void RowWriter::PutText(std::string_view utf8) { store_->PutSized(kText, utf8); }
void RowWriter::PutBinary(std::string_view bytes) { store_->PutSized(kBinary, bytes); }

RowStore::RowStore(std::size_t columnCount, std::size_t byteLimit)
    : columnCount_(columnCount), byteLimit_(byteLimit) {}

void RowStore::BlockFree::operator()(char* data) const noexcept { std::free(data); }

RowStore::Block RowStore::NewBlock(std::size_t size) {
  if (size > std::numeric_limits<std::size_t>::max() - kPage) throw std::bad_alloc();
  const std::size_t capacity = (size + kPage - 1) / kPage * kPage;
  if (capacity > byteLimit_ || blockBytes_ > byteLimit_ - capacity) throw std::bad_alloc();
  Block block{std::unique_ptr<char, BlockFree>(static_cast<char*>(std::aligned_alloc(kPage, capacity))), 0,
              capacity};
  if (!block.data) throw std::bad_alloc();
  // The first block maps its pages one by one as they are written: most results are small.
  if (blocks_.empty()) block.mapped = capacity;
  blockBytes_ += capacity;
  return block;
}

RowWriter RowStore::BeginRow() {
  if (rowOpen_) EndRow();
  if (blocks_.empty()) {
    blocks_.push_back(NewBlock(kBlockSize));
  }
  const Block& block = blocks_.back();
  rows_.push_back((static_cast<std::uint64_t>(blocks_.size() - 1) << 32) | block.used);
  rowOpen_ = true;
  cellsInRow_ = 0;
  return RowWriter(*this);
}

void RowStore::AbandonRow() {
  if (!rowOpen_) return;
  const std::uint64_t start = rows_.back();
  blocks_[start >> 32].used = start & 0xFFFFFFFFu;
  rows_.pop_back();
  rowOpen_ = false;
  cellsInRow_ = 0;
}

void RowStore::Clear() noexcept {
  rows_.clear();
  rowOpen_ = false;
  cellsInRow_ = 0;
  if (blocks_.empty()) return;
  blocks_.resize(1);
  blocks_.front().used = 0;
  blockBytes_ = blocks_.front().capacity;
}

void RowStore::EndRow() {
  if (!rowOpen_) return;
  while (cellsInRow_ < columnCount_) PutCell(kNull, nullptr, 0);
  rowOpen_ = false;
}

char* RowStore::Append(std::size_t size) {
  Block* block = &blocks_.back();
  if (block->capacity - block->used < size) {
    // The row must stay in one block: move what is written of it to a new block sized for at least
    // the row, so that a value larger than a block gets a block of its own.
    const std::size_t rowStart = rows_.back() & 0xFFFFFFFFu;
    const std::size_t written = block->used - rowStart;
    if (size > std::numeric_limits<std::size_t>::max() / 2 - written) throw DataAccessError(kOutOfRange);
    const std::size_t capacity = std::max(kBlockSize, written + size);
    Block fresh = NewBlock(capacity);
    fresh.used = written;
    if (written != 0) std::memcpy(fresh.data.get(), block->data.get() + rowStart, written);
    block->used = rowStart;
    blocks_.push_back(std::move(fresh));
    rows_.back() = static_cast<std::uint64_t>(blocks_.size() - 1) << 32;
    block = &blocks_.back();
  }
  char* out = block->data.get() + block->used;
  block->used += size;
  if (block->used > block->mapped) MapAhead(*block);
  return out;
}

void RowStore::MapAhead(Block& block) {
  const std::size_t end = std::min(block.capacity, (block.used + kMapAhead - 1) / kMapAhead * kMapAhead);
  // Only advice: where the kernel cannot do it, pages are mapped one by one as they are written.
  ::madvise(block.data.get() + block.mapped, end - block.mapped, MADV_POPULATE_WRITE);
  block.mapped = end;
}

void RowStore::PutCell(std::uint8_t tag, const void* payload, std::size_t size) {
  if (!rowOpen_ || cellsInRow_ >= columnCount_) return;
  char* out = Append(1 + size);
  *out = static_cast<char>(tag);
  if (size != 0) std::memcpy(out + 1, payload, size);
  ++cellsInRow_;
}

void RowStore::PutSized(std::uint8_t tag, std::string_view bytes) {
  if (!rowOpen_ || cellsInRow_ >= columnCount_) return;
  char* out = Append(1 + VarintSize(bytes.size()) + bytes.size());
  *out++ = static_cast<char>(tag);
  out = WriteVarint(out, bytes.size());
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
  ++cellsInRow_;
}

const char* RowStore::RowStart(std::size_t row) const {
  // The row being written is not readable yet; its cells are still incomplete.
  if (row >= RowCount()) throw DataAccessError(kNoCurrentRecord);
  const std::uint64_t start = rows_[row];
  return blocks_[start >> 32].data.get() + (start & 0xFFFFFFFFu);
}

Variant RowStore::Value(std::size_t row, std::size_t column) const {
  if (column >= columnCount_) throw DataAccessError(kNoCurrentRecord);
  const char* cell = RowStart(row);
  for (std::size_t i = 0; i < column; ++i) cell = SkipCell(cell);
  return DecodeCell(cell);
}

void RowStore::LocateCells(std::size_t row, std::vector<const char*>& cells) const {
  const char* cell = RowStart(row);
  cells.resize(columnCount_);
  for (std::size_t i = 0; i < columnCount_; ++i) {
    cells[i] = cell;
    cell = SkipCell(cell);
  }
}

Variant RowStore::ReadCell(const char* cell) { return DecodeCell(cell); }

void RowStore::ReadCell(const char* cell, Variant& value) {
  const auto tag = static_cast<std::uint8_t>(*cell);
  if (tag == kText || tag == kBinary) {
    const char* bytes = cell + 1;
    const std::uint64_t size = ReadVarint(bytes);
    const std::string_view view(bytes, size);
    if (tag == kText) {
      value.AssignText(view);
    } else {
      value.AssignBytes(view);
    }
    return;
  }
  // A copy, not a move, so that the variant's text keeps its room.
  const Variant decoded = DecodeCell(cell);
  value = decoded;
}

std::size_t RowStore::ReservedBytes() const noexcept {
  return blockBytes_ + rows_.capacity() * sizeof(std::uint64_t);
}

}  // namespace ql::access
