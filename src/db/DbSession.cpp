#include "db/DbSession.h"

#include <exception>
#include <iostream>

#include "db/DbError.h"

namespace {

[[noreturn]] void ThrowClosed() {
    throw DbError(kErrorNoObject, "Connection", "The connection is closed.");
}

}  // namespace

DbSession::DbSession(std::unique_ptr<DbConnection> driver)
    : driver_(std::move(driver)), open_(driver_ != nullptr) {}

DbSession::~DbSession() {
    // Whatever the failure (a refused commit, memory running out), a destructor that let it
    // escape would end the program.
    try {
        Close();
    } catch (const std::exception& error) {
        ReportFailureNobodyHeard("closing the database connection", error.what());
    }
}

void ReportFailureNobodyHeard(const std::string& where, const std::string& text) noexcept {
    try {
        std::cerr << "Database error while " << where << " (rows stored before it are kept):\n"
                  << text << '\n';
    } catch (...) {
        // Nothing is left to report through.
    }
}

bool DbSession::IsOpen() const {
    return open_.load();
}

void DbSession::Close() {
    std::lock_guard lock(mutex_);
    if (!driver_) return;
    // The driver is let go even when the last commit fails, so that the handle ends up closed.
    std::shared_ptr<DbConnection> driver = std::move(driver_);
    driver_.reset();
    open_.store(false);
    if (inBatch_ || answerPending_) {
        inBatch_ = false;
        answerPending_ = false;
        driver->Commit();
    }
}

std::shared_ptr<DbConnection> DbSession::Driver() const {
    std::lock_guard lock(mutex_);
    return driver_;
}

void DbSession::CommitLocked() {
    if (!inBatch_ && !answerPending_) return;
    inBatch_ = false;
    answerPending_ = false;
    batchRows_ = 0;
    driver_->Commit();
}

void DbSession::SendPendingRows() {
    std::lock_guard lock(mutex_);
    if (!driver_) return;
    if (!inBatch_) {
        // Nothing new to send: the answer still due is read now, so that a caller counting the
        // rows of the last two commits never has to count further back.
        CommitLocked();
        return;
    }
    inBatch_ = false;
    batchRows_ = 0;
    // Cleared first: when the send throws, the driver has read every answer.
    answerPending_ = false;
    driver_->SendCommit();
    answerPending_ = true;
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
    if (!driver_) return;
    CommitLocked();
}

std::shared_ptr<DbConnection> DbSession::CommitAndGetDriver() {
    std::lock_guard lock(mutex_);
    if (!driver_) ThrowClosed();
    CommitLocked();
    return driver_;
}
