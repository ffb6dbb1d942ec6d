#include "db/SqliteMemory.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "db/LargeChunk.h"

namespace {

// Each block starts with this header; the caller's bytes follow it, aligned to 16.
struct BlockHeader {
    std::size_t size;  // usable bytes after the header
    bool pooled;       // carved from a chunk rather than taken from the heap
};
constexpr std::size_t kHeaderBytes = 16;
static_assert(sizeof(BlockHeader) <= kHeaderBytes);

// Page blocks: a page of 4 to 64 KiB together with the cache's few hundred bytes about it.
// Smaller and larger requests (statements, sorter buffers) vary too much in size to be kept.
constexpr std::size_t kSmallestPooled = 4096;
constexpr std::size_t kLargestPooled = 65536 + 4096;
constexpr std::size_t kGranule = 64;
constexpr std::size_t kSizeClasses = (kLargestPooled - kSmallestPooled) / kGranule + 1;

std::size_t UsableSize(std::size_t bytes) {
    const std::size_t granule = bytes >= kSmallestPooled ? kGranule : 8;
    return (bytes + granule - 1) / granule * granule;
}

bool IsPooledSize(std::size_t size) {
    return size >= kSmallestPooled && size <= kLargestPooled;
}

BlockHeader* HeaderOf(const void* block) {
    return reinterpret_cast<BlockHeader*>(
        const_cast<std::byte*>(static_cast<const std::byte*>(block) - kHeaderBytes));
}

void* StartBlock(void* memory, std::size_t size, bool pooled) {
    ::new (memory) BlockHeader{size, pooled};
    return static_cast<std::byte*>(memory) + kHeaderBytes;
}

// Blocks of page size cut from 2 MiB chunks, with a free list per size. The chunks live as
// long as the process: the library may free its last pages while static objects are destroyed.
class PagePool {
  public:
    void* Take(std::size_t size) {
        std::lock_guard lock(mutex_);
        FreeBlock*& head = freeLists_[(size - kSmallestPooled) / kGranule];
        if (head != nullptr) {
            FreeBlock* block = head;
            head = block->next;
            return block;
        }
        const std::size_t bytes = size + kHeaderBytes;
        if (static_cast<std::size_t>(end_ - next_) < bytes) {
            chunks_.push_back(AllocateLargeChunk(kLargeChunkBytes));
            next_ = chunks_.back().get();
            end_ = next_ + kLargeChunkBytes;
        }
        void* memory = next_;
        next_ += bytes;
        return memory;
    }

    void Give(void* memory, std::size_t size) {
        std::lock_guard lock(mutex_);
        FreeBlock*& head = freeLists_[(size - kSmallestPooled) / kGranule];
        head = ::new (memory) FreeBlock{head};
    }

  private:
    struct FreeBlock {
        FreeBlock* next;
    };

    std::mutex mutex_;
    std::vector<LargeChunk> chunks_;
    std::byte* next_ = nullptr;
    std::byte* end_ = nullptr;
    std::array<FreeBlock*, kSizeClasses> freeLists_{};
};

PagePool& Pool() {
    static PagePool* pool = new PagePool;  // never destroyed, see PagePool
    return *pool;
}

void* Allocate(int bytes) {
    if (bytes <= 0) return nullptr;
    return SqlitePageAllocate(static_cast<std::size_t>(bytes));
}

void* Reallocate(void* block, int bytes) {
    if (bytes <= 0) return nullptr;
    return SqlitePageReallocate(block, static_cast<std::size_t>(bytes));
}

int BlockSize(void* block) {
    return block == nullptr ? 0 : static_cast<int>(SqlitePageBlockSize(block));
}

int Roundup(int bytes) {
    return bytes <= 0 ? bytes : static_cast<int>(UsableSize(static_cast<std::size_t>(bytes)));
}

int Init(void*) {
    return SQLITE_OK;
}

void Shutdown(void*) {}

}  // namespace

void* SqlitePageAllocate(std::size_t bytes) {
    const std::size_t size = UsableSize(bytes);
    if (IsPooledSize(size)) {
        try {
            return StartBlock(Pool().Take(size), size, true);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    void* memory = std::malloc(size + kHeaderBytes);
    return memory == nullptr ? nullptr : StartBlock(memory, size, false);
}

void SqlitePageFree(void* block) {
    if (block == nullptr) return;
    const BlockHeader header = *HeaderOf(block);
    void* memory = HeaderOf(block);
    if (header.pooled) {
        Pool().Give(memory, header.size);
    } else {
        std::free(memory);
    }
}

void* SqlitePageReallocate(void* block, std::size_t bytes) {
    if (block == nullptr) return SqlitePageAllocate(bytes);
    const BlockHeader header = *HeaderOf(block);
    const std::size_t size = UsableSize(bytes);
    if (size == header.size) return block;
    if (!header.pooled && !IsPooledSize(size)) {
        void* memory = std::realloc(HeaderOf(block), size + kHeaderBytes);
        return memory == nullptr ? nullptr : StartBlock(memory, size, false);
    }
    void* moved = SqlitePageAllocate(bytes);
    if (moved == nullptr) return nullptr;
    std::memcpy(moved, block, std::min(size, header.size));
    SqlitePageFree(block);
    return moved;
}

std::size_t SqlitePageBlockSize(const void* block) {
    return HeaderOf(block)->size;
}

void UseSqlitePageMemory() {
    static const sqlite3_mem_methods methods{Allocate, SqlitePageFree, Reallocate, BlockSize,
                                             Roundup,  Init,           Shutdown,   nullptr};
    sqlite3_config(SQLITE_CONFIG_MALLOC, &methods);
}
