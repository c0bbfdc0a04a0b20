#include "access/core/block_arena.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace ql::access {
namespace {

// Blocks are allocated uninitialised, so only the pages actually written cost memory. A result that
// needs a second block is a large one: from the second block on, pages are mapped ahead of the rows
// a stretch at a time, one call instead of a page fault per 4 KiB page (which took a fifth of the
// time of reading a large result). That costs at most one stretch more than the rows need. (Large
// pages, tried for the same end, made the kernel clear memory for longer than the faults took.)
constexpr std::size_t kBlockSize = std::size_t{2} << 20;
constexpr std::size_t kMapAhead = std::size_t{256} << 10;
// Blocks start on a page and hold whole pages, as mapping them whole requires.
constexpr std::size_t kPage = 4096;

std::size_t RoundUp(std::size_t size, std::size_t unit) { return (size + unit - 1) / unit * unit; }

}  // namespace

const char* AddressSpaceFull::what() const noexcept {
  return "a row would start past the 4 GiB of its block that a row address reaches";
}

BlockArena::BlockArena(std::size_t byteLimit, std::uint64_t offsetLimit)
    : byteLimit_(byteLimit), offsetLimit_(std::min(offsetLimit, kMaxOffset)) {}

BlockArena::Address BlockArena::Pack(std::uint64_t block, std::uint64_t offset, std::uint64_t offsetLimit) {
  if (block > kMaxBlock || offset > std::min(offsetLimit, kMaxOffset)) throw AddressSpaceFull();
  return block << 32 | offset;
}

void BlockArena::BlockFree::operator()(char* data) const noexcept { std::free(data); }

BlockArena::Block BlockArena::NewBlock(std::size_t size) {
  if (size > std::numeric_limits<std::size_t>::max() - kPage) throw std::bad_alloc();
  const std::size_t capacity = RoundUp(size, kPage);
  if (capacity > byteLimit_ || blockBytes_ > byteLimit_ - capacity) throw std::bad_alloc();
  Block block{std::unique_ptr<char, BlockFree>(static_cast<char*>(std::aligned_alloc(kPage, capacity))), 0, capacity};
  if (!block.data) throw std::bad_alloc();
  // The first block maps its pages one by one as they are written: most results are small.
  if (blocks_.empty()) block.mapped = capacity;
  blockBytes_ += capacity;
  return block;
}

void BlockArena::BeginRow() {
  if (blocks_.empty()) blocks_.push_back(NewBlock(kBlockSize));
  rowStart_ = blocks_.back().used;
}

char* BlockArena::ExtendSlowly(std::size_t size) {
  Block* block = &blocks_.back();
  if (block->capacity - block->used < size) {
    // The row must stay in one block: move what is written of it to a new block sized for at least
    // the row, so that a value larger than a block gets a block of its own.
    const std::size_t written = block->used - rowStart_;
    if (size > std::numeric_limits<std::size_t>::max() / 2 - written) throw std::bad_alloc();
    Block fresh = NewBlock(std::max(kBlockSize, written + size));
    MapAhead(fresh, written + size);
    if (written != 0) std::memcpy(fresh.data.get(), block->data.get() + rowStart_, written);
    fresh.used = written;
    block->used = rowStart_;
    blocks_.push_back(std::move(fresh));
    rowStart_ = 0;
    block = &blocks_.back();
  }
  char* out = block->data.get() + block->used;
  block->used += size;
  if (block->used > block->mapped) MapAhead(*block, block->used);
  return out;
}

void BlockArena::MapAhead(Block& block, std::size_t end) {
  const std::size_t to = std::min(block.capacity, RoundUp(end, kMapAhead));
  if (to <= block.mapped) return;
  // Only advice: where the kernel cannot do it, pages are mapped one by one as they are written.
  ::madvise(block.data.get() + block.mapped, to - block.mapped, MADV_POPULATE_WRITE);
  block.mapped = to;
}

void BlockArena::Clear() noexcept {
  rowStart_ = 0;
  if (blocks_.empty()) return;
  blocks_.resize(1);
  blocks_.front().used = 0;
  blockBytes_ = blocks_.front().capacity;
}

}  // namespace ql::access
