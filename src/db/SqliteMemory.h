#pragma once
// SQLite's memory, with the blocks of its page cache carved from 2 MiB pages.
//
// Why: a large export fills the cache with the whole table, 300-400 MB of pages that are each
// a separate allocation of about 8 KiB. Taken from the heap, every 4 KiB of them cost a page
// fault on our virtual machines: over a second of a million-row export. Carved from large
// chunks (db/LargeChunk) they cost 512 times fewer. Every other allocation of the library goes
// to the heap as before.
//
// Freed page blocks are kept for the library's next pages rather than given back to the
// system: the next export into the same process fills its cache from them.

#include <cstddef>

// Makes SQLite allocate through this memory. Takes effect only before the library's first use
// (the driver calls it before its first open); otherwise SQLite keeps its own allocator.
void UseSqlitePageMemory();

// The allocator's own operations, for tests. `SqlitePageAllocate` gives at least `bytes`,
// aligned to 16, or null when the system has no memory left.
void* SqlitePageAllocate(std::size_t bytes);
void SqlitePageFree(void* block);
void* SqlitePageReallocate(void* block, std::size_t bytes);
// The usable size of a block from SqlitePageAllocate.
std::size_t SqlitePageBlockSize(const void* block);
