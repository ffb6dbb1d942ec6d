#include "db/SqliteCheckpointer.h"

SqliteCheckpointer::SqliteCheckpointer(sqlite3* writer, const std::string& fileName)
    : writer_(writer) {
    if (sqlite3_open_v2(fileName.c_str(), &copier_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close_v2(copier_);
        copier_ = nullptr;
        return;
    }
    // A connection learns that the file keeps a log only when it first reads the file; until
    // then its copies would do nothing at all.
    if (sqlite3_exec(copier_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(copier_);
        copier_ = nullptr;
        return;
    }
    thread_ = std::thread([this] { Run(); });
    // Replaces the automatic copy, which is itself a hook of this kind.
    sqlite3_wal_hook(writer_, &SqliteCheckpointer::OnCommit, this);
}

SqliteCheckpointer::~SqliteCheckpointer() {
    if (!thread_.joinable()) return;
    sqlite3_wal_autocheckpoint(writer_, kPagesPerCopy);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    sqlite3_close_v2(copier_);
}

bool SqliteCheckpointer::TimeToStartOver(int pages) const {
    if (pages >= kPagesAlwaysRestart) return true;
    const int copied = copiedPages_.load();
    return pages >= kPagesBeforeRestart && copied <= pages && pages - copied <= 2 * kPagesPerCopy;
}

int SqliteCheckpointer::OnCommit(void* self, sqlite3* db, const char*, int pages) {
    auto* checkpointer = static_cast<SqliteCheckpointer*>(self);
    if (checkpointer->TimeToStartOver(pages)) {
        // On the writer's thread, between its transactions: the one moment the log can start
        // over.
        if (sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_RESTART, nullptr, nullptr) ==
            SQLITE_OK) {
            checkpointer->copiedPages_.store(0);
        }
    } else if (pages >= kPagesPerCopy) {
        {
            std::lock_guard lock(checkpointer->mutex_);
            checkpointer->due_ = true;
        }
        checkpointer->wake_.notify_one();
    }
    return SQLITE_OK;
}

void SqliteCheckpointer::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return due_ || stopping_; });
        if (stopping_) return;
        due_ = false;
        lock.unlock();
        // A passive copy never waits for the writer; pages it cannot copy yet go with the next
        // one, or with the writer's close at the latest.
        int copied = 0;
        sqlite3_wal_checkpoint_v2(copier_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, &copied);
        copiedPages_.store(copied);
        lock.lock();
    }
}
