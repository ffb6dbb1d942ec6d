#include "db/CADODatabase.h"

#include <exception>

#include "db/DbError.h"
#include "db/ErrorText.h"

namespace {

[[noreturn]] void ThrowNotOpen() {
    throw CADOException(kErrorNoObject, "The database connection is not open.");
}

}  // namespace

// Both cannot throw: any failure of the close (not only the database's) is reported instead.
CADODatabase::~CADODatabase() {
    try {
        Close();
    } catch (const std::exception& error) {
        ReportFailureNobodyHeard("closing the database", error.what());
    }
}

CADODatabase& CADODatabase::operator=(CADODatabase&& other) noexcept {
    if (this != &other) {
        try {
            Close();
        } catch (const std::exception& error) {
            ReportFailureNobodyHeard("closing the database", error.what());
        }
        session_ = std::move(other.session_);
        connectionString_ = std::move(other.connectionString_);
    }
    return *this;
}

bool CADODatabase::Open(const std::string& connectionString) {
    if (IsOpen()) Close();
    if (!connectionString.empty()) connectionString_ = connectionString;
    try {
        session_ = std::make_shared<DbSession>(OpenConnection(connectionString_));
    } catch (const DbError& error) {
        throw CADOException(error.Code(), error.Description());
    }
    return true;
}

bool CADODatabase::IsOpen() const {
    return session_ && session_->IsOpen();
}

// A database that cannot even say counts as one that does not share.
bool CADODatabase::SharesRowsWithOtherConnections() const {
    try {
        return IsOpen() && session_->Driver()->SharesRowsWithOtherConnections();
    } catch (const DbError&) {
        return false;
    }
}

void CADODatabase::Close() {
    if (!IsOpen()) return;
    try {
        session_->Close();
    } catch (const DbError& error) {
        throw CADOException(error.Code(), error.Description());
    }
}

void CADODatabase::CommitPendingRows() {
    CommitAs([](DbSession& session) { session.CommitPendingRows(); });
}

void CADODatabase::SendPendingRows() {
    CommitAs([](DbSession& session) { session.SendPendingRows(); });
}

// A refusal found at a commit belongs to the rows written through a recordset, and is reported
// as the recordset would have reported it.
void CADODatabase::CommitAs(const std::function<void(DbSession&)>& commit) {
    if (!IsOpen()) ThrowNotOpen();
    try {
        commit(*session_);
    } catch (const DbError& error) {
        throw RecordsetFailure(error);
    }
}

void CADODatabase::RefreshStatistics(const std::string& table) {
    if (!IsOpen()) ThrowNotOpen();
    try {
        session_->RunStatement([&](DbConnection& driver) { driver.RefreshStatistics(table); });
    } catch (const DbError& error) {
        throw CADOException(error.Code(), error.Description());
    }
}

CADOCommand::CADOCommand(const CADODatabase& database, std::string statement)
    : session_(database.GetConnection()), statement_(std::move(statement)) {}

bool CADOCommand::Execute() {
    if (!session_ || !session_->IsOpen()) ThrowNotOpen();
    try {
        session_->RunStatement([this](DbConnection& driver) { driver.Execute(statement_); });
    } catch (const DbError& error) {
        throw CADOException(error.Code(), error.Description());
    }
    return true;
}
