#pragma once
// Copies the write-ahead log of an SQLite database back into the database file on a thread of
// its own.
//
// Why: SQLite makes this copy inside the commit that takes the log past its limit, on the thread
// that writes. A long export or pass then spends a tenth of its time copying pages it has just
// written; with a second processor the copy can run beside the writing instead.

#include <sqlite3.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class SqliteCheckpointer {
  public:
    // Opens `fileName` a second time for the copies and takes over `writer`'s automatic ones.
    // Throws nothing: when the second connection cannot be had, `writer` keeps copying itself.
    SqliteCheckpointer(sqlite3* writer, const std::string& fileName);
    // Must run before `writer` is closed; its closing makes the last copy.
    ~SqliteCheckpointer();
    SqliteCheckpointer(const SqliteCheckpointer&) = delete;
    SqliteCheckpointer& operator=(const SqliteCheckpointer&) = delete;

    bool Running() const { return thread_.joinable(); }

  private:
    // The log holds this many pages before a copy is asked for (SQLite's own default limit).
    static constexpr int kPagesPerCopy = 1000;
    // The log only starts over when a writer finds it fully copied, which copies running beside
    // a busy writer never achieve: it would grow for as long as writes go on (past a gigabyte
    // in one large export). From this size on, the writer itself finishes the copy between two
    // of its transactions and starts the log over, at a moment when the copies have left it
    // little to do: at most two copies' worth behind (a copy under way is waited for; it is
    // short, as copies follow each other closely). Past the second size it does so whatever
    // the copies have done.
    static constexpr int kPagesBeforeRestart = 8 * kPagesPerCopy;
    static constexpr int kPagesAlwaysRestart = 4 * kPagesBeforeRestart;

    static int OnCommit(void* self, sqlite3* db, const char* schema, int pages);
    bool TimeToStartOver(int pages) const;
    void Run();

    sqlite3* writer_;
    sqlite3* copier_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool due_ = false;
    bool stopping_ = false;
    // What the last copy reached, for the writer's choice of moment; a stale figure only delays
    // the start-over.
    std::atomic<int> copiedPages_ = 0;
    std::thread thread_;
};
