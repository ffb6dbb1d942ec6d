#include "db/SqliteCheckpointer.h"

SqliteCheckpointer::SqliteCheckpointer(sqlite3* writer, const std::string& fileName)
    : writer_(writer) {
    if (sqlite3_open_v2(fileName.c_str(), &copier_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
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

int SqliteCheckpointer::OnCommit(void* self, sqlite3* db, const char*, int pages) {
    if (pages >= kPagesBeforeRestart) {
        // Runs on the writer's thread, between its transactions; it waits for a copy in progress.
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_RESTART, nullptr, nullptr);
    } else if (pages >= kPagesPerCopy) {
        auto* checkpointer = static_cast<SqliteCheckpointer*>(self);
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
        sqlite3_wal_checkpoint_v2(copier_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
    }
}
