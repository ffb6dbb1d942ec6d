#include "db/DbSession.h"

#include "db/DbError.h"

namespace {

[[noreturn]] void ThrowClosed() {
    throw DbError(kErrorNoObject, "Connection", "The connection is closed.");
}

}  // namespace

DbSession::DbSession(std::unique_ptr<DbConnection> driver) : driver_(std::move(driver)) {}

DbSession::~DbSession() {
    try {
        Close();
    } catch (const DbError&) {
        // A destructor cannot report; Close before destruction to see commit failures.
    }
}

bool DbSession::IsOpen() const {
    std::lock_guard lock(mutex_);
    return driver_ != nullptr;
}

void DbSession::Close() {
    std::lock_guard lock(mutex_);
    if (!driver_) return;
    // The driver is let go even when the last commit fails, so that the handle ends up closed.
    std::shared_ptr<DbConnection> driver = std::move(driver_);
    driver_.reset();
    if (inBatch_) {
        inBatch_ = false;
        driver->Commit();
    }
}

std::shared_ptr<DbConnection> DbSession::Driver() const {
    std::lock_guard lock(mutex_);
    return driver_;
}

void DbSession::CommitLocked() {
    if (!inBatch_) return;
    inBatch_ = false;
    batchRows_ = 0;
    driver_->Commit();
}

DbConnection& DbSession::StartRowLocked() {
    if (!driver_) ThrowClosed();
    if (!inBatch_) {
        driver_->Begin();
        inBatch_ = true;
        batchRows_ = 0;
        batchStart_ = std::chrono::steady_clock::now();
    }
    return *driver_;
}

void DbSession::FinishRowLocked() {
    if (++batchRows_ >= kBatchRows || std::chrono::steady_clock::now() - batchStart_ >= kBatchAge) {
        CommitLocked();
    }
}

void DbSession::CommitPendingRows() {
    std::lock_guard lock(mutex_);
    if (driver_) CommitLocked();
}

std::shared_ptr<DbConnection> DbSession::CommitAndGetDriver() {
    std::lock_guard lock(mutex_);
    if (!driver_) ThrowClosed();
    CommitLocked();
    return driver_;
}
