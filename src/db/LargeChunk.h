#pragma once
// Memory for the large blocks that hold query results, asked for in whole 2 MiB pages where the
// system offers them.
//
// Why: reading a million rows fills half a gigabyte of fresh memory. On a virtual machine the
// first touch of each 4 KiB page cost more than reading the rows themselves; with 2 MiB pages
// there are 512 times fewer of those faults.

#include <cstddef>
#include <cstdlib>
#include <memory>

struct FreeLargeChunk {
    void operator()(std::byte* chunk) const noexcept { std::free(chunk); }
};
using LargeChunk = std::unique_ptr<std::byte[], FreeLargeChunk>;

constexpr std::size_t kLargeChunkBytes = std::size_t{2} << 20;

// At least `bytes`, rounded up to whole 2 MiB. Throws std::bad_alloc.
LargeChunk AllocateLargeChunk(std::size_t bytes);
