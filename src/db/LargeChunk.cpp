#include "db/LargeChunk.h"

#include <sys/mman.h>

#include <new>

LargeChunk AllocateLargeChunk(std::size_t bytes) {
    const std::size_t size = (bytes + kLargeChunkBytes - 1) / kLargeChunkBytes * kLargeChunkBytes;
    void* memory = std::aligned_alloc(kLargeChunkBytes, size == 0 ? kLargeChunkBytes : size);
    if (memory == nullptr) throw std::bad_alloc();
    // Only advice: where huge pages are off the memory works the same, in small pages.
    madvise(memory, size, MADV_HUGEPAGE);
    return LargeChunk(static_cast<std::byte*>(memory));
}
