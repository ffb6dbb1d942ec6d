#pragma once
// One open driver connection, shared by a database handle and the recordsets and commands over
// it, and the one place where row writes are grouped into transactions.
//
// Why batches: committing each row costs a disk sync, far more than the row. Callers are still
// promised that every row they stored stays stored, so a batch is committed after kBatchRows rows
// or kBatchAge, before any other statement runs on the connection, before a failure is reported,
// and at Close. A refusal is thrown by the call that finds it (a recordset's Close, say), never
// kept for a later, unrelated one; only rows sent without waiting (SendPendingRows) are answered
// by the next commit or statement. One found while a recordset or the session is destroyed goes
// to stderr, so owners close explicitly where a refusal must reach the user.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "db/Driver.h"

class DbSession {
  public:
    // Edits of an ordered query hit the table's pages in random order; a small batch writes the
    // same pages again at every commit, which made one-by-one edits slower than the appends. A
    // second is the longest a stored row waits for its commit: a crash loses at most that much.
    static constexpr int kBatchRows = 200'000;
    static constexpr std::chrono::milliseconds kBatchAge{1000};

    explicit DbSession(std::unique_ptr<DbConnection> driver);
    ~DbSession();
    DbSession(const DbSession&) = delete;
    DbSession& operator=(const DbSession&) = delete;

    bool IsOpen() const;
    // Commits pending rows and releases the driver once no prepared object uses it any more.
    void Close();

    // The driver, or null once closed. Holders keep it alive, not open.
    std::shared_ptr<DbConnection> Driver() const;

    // Runs one row write (append or update by key) inside the current batch. When it throws, the
    // rows before it are committed first and the exception travels on.
    template <class Write>
    void WriteRow(Write&& write) {
        std::lock_guard lock(mutex_);
        DbConnection& driver = StartRowLocked();
        try {
            write(driver);
        } catch (DbError& error) {
            // A write refused on the spot leaves its own row unstored.
            if (!error.UnstoredRows()) error.SetUnstoredRows(1);
            // The rows before the failing one are committed before the caller hears of it.
            CommitLocked();
            throw;
        } catch (...) {
            CommitLocked();
            throw;
        }
        FinishRowLocked();
    }
    // Runs a statement or query outside any batch (pending rows are committed first).
    template <class Work>
    auto RunStatement(Work&& work) -> decltype(work(std::declval<DbConnection&>())) {
        std::shared_ptr<DbConnection> driver = CommitAndGetDriver();
        return work(*driver);
    }
    void CommitPendingRows();
    // Commits like CommitPendingRows without waiting for the database's answer where the driver
    // can (DbConnection::SendCommit): a refusal of these rows is thrown by the next explicit call,
    // counting the rows handed over since the commit before. Close and CommitPendingRows wait.
    void SendPendingRows();

  private:
    std::shared_ptr<DbConnection> CommitAndGetDriver();
    void CommitLocked();
    DbConnection& StartRowLocked();
    void FinishRowLocked();

    mutable std::mutex mutex_;
    std::shared_ptr<DbConnection> driver_;
    // Whether driver_ is set, readable without the lock: recordsets ask for every field written.
    std::atomic<bool> open_;
    bool inBatch_ = false;
    // Rows were sent by SendPendingRows and the driver's answer is still to be read.
    bool answerPending_ = false;
    int batchRows_ = 0;
    std::chrono::steady_clock::time_point batchStart_;
};

// The last resort for a failure that only a destructor found: it goes to stderr, so that a row
// the database refused is never lost without a word.
void ReportFailureNobodyHeard(const std::string& where, const std::string& text) noexcept;
