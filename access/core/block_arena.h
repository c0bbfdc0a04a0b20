#pragma once
// Where a row store's bytes live: large blocks, allocated uninitialised and filled front to back, that
// never move, so a pointer into a completed row stays valid until the arena is cleared. Bytes are
// written in rows; a row is kept whole in one block (its cells are read by walking from its start)
// and is found again by its packed address.
//
// A packed address is the block's index in its high 32 bits and the row's offset in that block in its
// low 32 bits, so that a row costs 8 bytes in the table of rows, whatever else it holds. A row must
// therefore start within the first 4 GiB of its block, and there are at most 2^32 blocks. Blocks are
// 2 MiB, so only a block made for a value larger than 4 GiB is filled that far: the row after such a
// value, whose address cannot be packed, raises AddressSpaceFull rather than wrap around into
// another row's address.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace ql::access {

// The arena can hold no more rows though memory may not have run out; a resource limit, handled
// where running out of memory is (std::bad_alloc), with its own description.
class AddressSpaceFull : public std::bad_alloc {
 public:
  const char* what() const noexcept override;
};

class BlockArena {
 public:
  using Address = std::uint64_t;
  // The largest offset a packed address holds.
  static constexpr std::uint64_t kMaxOffset = 0xFFFFFFFFu;
  static constexpr std::uint64_t kMaxBlock = 0xFFFFFFFFu;

  // Refuses to grow its blocks past `byteLimit` bytes in all: the block that would pass it is not
  // allocated and std::bad_alloc is thrown instead, as when memory runs out. `offsetLimit` lowers the
  // offset a row may start at, so that tests reach the limit without 4 GiB of memory.
  explicit BlockArena(std::size_t byteLimit = static_cast<std::size_t>(-1), std::uint64_t offsetLimit = kMaxOffset);

  // Block `block`, byte `offset` as an address; AddressSpaceFull when the block does not fit its 32
  // bits or the offset passes `offsetLimit`.
  static Address Pack(std::uint64_t block, std::uint64_t offset, std::uint64_t offsetLimit = kMaxOffset);

  // Starts a row at the end of the bytes written; it is open until EndRow or AbandonRow.
  void BeginRow();
  // Room for `size` more bytes of the open row, contiguous with what it holds: when the block is full
  // the row moves to a new block sized for it. The bytes are uninitialised.
  char* Extend(std::size_t size) {
    Block& block = blocks_.back();
    // `mapped` never passes `capacity`, so this also finds a full block.
    if (block.mapped - block.used < size) return ExtendSlowly(size);
    char* out = block.data.get() + block.used;
    block.used += size;
    return out;
  }
  // Completes the open row and gives its address; raises AddressSpaceFull, the row still open, when
  // the address cannot be packed.
  Address EndRow() const { return Pack(blocks_.size() - 1, rowStart_, offsetLimit_); }
  // Drops the bytes of the open row.
  void AbandonRow() noexcept { blocks_.back().used = rowStart_; }
  // The first byte of a row.
  const char* At(Address row) const noexcept { return blocks_[row >> 32].data.get() + (row & kMaxOffset); }
  // Drops every row, keeping the first block (and the pages of it already written) for the rows to come.
  void Clear() noexcept;
  // Bytes held in blocks, for measuring.
  std::size_t ReservedBytes() const noexcept { return blockBytes_; }

 private:
  struct BlockFree {
    void operator()(char* data) const noexcept;
  };
  struct Block {
    std::unique_ptr<char, BlockFree> data;
    std::size_t used = 0;
    std::size_t capacity = 0;
    // Bytes from the start known to be backed by memory: writes below it cannot fault (see MapAhead).
    std::size_t mapped = 0;
  };
  char* ExtendSlowly(std::size_t size);
  // Allocates a block of at least `size` bytes within the limit.
  Block NewBlock(std::size_t size);
  // Backs the pages of `block` from its mapped end past `end` with memory, in advance of the writes.
  static void MapAhead(Block& block, std::size_t end);

  std::size_t byteLimit_;
  std::uint64_t offsetLimit_;
  std::size_t blockBytes_ = 0;
  std::vector<Block> blocks_;
  // Where the open row starts in the last block.
  std::size_t rowStart_ = 0;
};

}  // namespace ql::access
