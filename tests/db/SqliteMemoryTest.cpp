#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "db/SqliteMemory.h"

namespace {

// Fills a block with a pattern that differs per block, so that overlapping blocks show.
void Fill(void* block, std::size_t bytes, unsigned seed) {
    auto* p = static_cast<unsigned char*>(block);
    for (std::size_t i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(seed * 31 + i);
}

bool Holds(const void* block, std::size_t bytes, unsigned seed) {
    const auto* p = static_cast<const unsigned char*>(block);
    for (std::size_t i = 0; i < bytes; ++i)
        if (p[i] != static_cast<unsigned char>(seed * 31 + i)) return false;
    return true;
}

// Small texts, page blocks of every page size, and large buffers, as the library asks for them.
const std::vector<std::size_t> kSizes = {1,          8,     24,    200,   4095,  4096,  4200,
                                         8192 + 272, 16384, 32768, 65536, 69632, 69633, 1 << 20};

TEST(SqlitePageMemory, BlocksAreAlignedSizedAndKeepTheirBytes) {
    std::vector<void*> blocks;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t size : kSizes) {
            void* block = SqlitePageAllocate(size);
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u) << size;
            EXPECT_GE(SqlitePageBlockSize(block), size);
            Fill(block, size, static_cast<unsigned>(blocks.size()));
            blocks.push_back(block);
        }
    }
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_TRUE(Holds(blocks[i], kSizes[i % kSizes.size()], static_cast<unsigned>(i))) << i;
    for (void* block : blocks) SqlitePageFree(block);
}

TEST(SqlitePageMemory, FreedPageBlocksAreTakenAgain) {
    void* first = SqlitePageAllocate(8192 + 272);
    SqlitePageFree(first);
    void* second = SqlitePageAllocate(8192 + 272);
    EXPECT_EQ(second, first);
    // A block of another size class is not handed out for it.
    void* other = SqlitePageAllocate(16384 + 272);
    EXPECT_NE(other, first);
    SqlitePageFree(second);
    SqlitePageFree(other);
}

TEST(SqlitePageMemory, ReallocationKeepsTheBytesAcrossEverySize) {
    void* block = SqlitePageAllocate(16);
    Fill(block, 16, 7);
    std::size_t kept = 16;
    for (std::size_t size : {100u, 5000u, 9000u, 70000u, 300u, 8192u, 12u}) {
        block = SqlitePageReallocate(block, size);
        ASSERT_NE(block, nullptr) << size;
        EXPECT_GE(SqlitePageBlockSize(block), size);
        const std::size_t common = std::min(kept, size);
        EXPECT_TRUE(Holds(block, common, 7)) << size;
        Fill(block, size, 7);
        kept = size;
    }
    SqlitePageFree(block);
    SqlitePageFree(nullptr);
}

}  // namespace
