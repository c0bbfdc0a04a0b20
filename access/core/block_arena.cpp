#include "access/core/block_arena.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace ql::access {
namespace {

// Blocks are allocated uninitialised, so only the pages actually written cost memory. Most results
// are small and fit the first block, whose pages are mapped one by one as they are written. A result
// that needs a second block is a large one: from the second block on, blocks are mappings of their
// own, aligned and sized for the kernel's large pages where it offers them (one page fault per 2 MiB
// instead of one per 4 KiB, which took a fifth of the time of reading a large result), and mapped
// ahead of the rows a stretch at a time where it does not. That costs at most one stretch more than
// the rows need.
constexpr std::size_t kBlockSize = std::size_t{2} << 20;
constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kMapAhead = std::size_t{256} << 10;
// Blocks start on a page and hold whole pages, as mapping them whole requires.
constexpr std::size_t kPage = 4096;

std::size_t RoundUp(std::size_t size, std::size_t unit) { return (size + unit - 1) / unit * unit; }

// A mapping of `size` bytes (a multiple of kLargePage) that starts on a large page, or null.
char* MapAligned(std::size_t size) {
  const std::size_t span = size + kLargePage;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  char* const start = static_cast<char*>(raw);
  char* const aligned =
      reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(start), kLargePage));
  // The slack before and after the aligned part goes back at once.
  if (aligned != start) ::munmap(start, static_cast<std::size_t>(aligned - start));
  const std::size_t after = span - static_cast<std::size_t>(aligned - start) - size;
  if (after != 0) ::munmap(aligned + size, after);
  // Only advice: without large pages the block is mapped ahead in ordinary ones.
  ::madvise(aligned, size, MADV_HUGEPAGE);
  return aligned;
}

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

void BlockArena::BlockFree::operator()(char* data) const noexcept {
  if (mappedSize != 0) {
    ::munmap(data, mappedSize);
  } else {
    std::free(data);
  }
}

BlockArena::Block BlockArena::NewBlock(std::size_t size) {
  if (size > std::numeric_limits<std::size_t>::max() - 2 * kLargePage) throw std::bad_alloc();
  const bool first = blocks_.empty();
  const std::size_t capacity = RoundUp(size, first ? kPage : kLargePage);
  if (capacity > byteLimit_ || blockBytes_ > byteLimit_ - capacity) throw std::bad_alloc();
  Block block;
  if (first) {
    block.data = std::unique_ptr<char, BlockFree>(static_cast<char*>(std::aligned_alloc(kPage, capacity)));
    block.mapped = capacity;
  } else {
    block.data = std::unique_ptr<char, BlockFree>(MapAligned(capacity), BlockFree{capacity});
  }
  if (!block.data) throw std::bad_alloc();
  block.capacity = capacity;
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
