#include "db/CADOXCatalog.h"

#include <mutex>

#include "db/DbError.h"

namespace {

// The catalog's connection outlives the catalog object: each Open replaces it.
std::mutex slotMutex;
std::shared_ptr<DbSession> catalogSlot;

}  // namespace

bool CADOXCatalog::Open(const std::string& connectionString) {
    connection_.reset();
    std::shared_ptr<DbSession> fresh;
    try {
        fresh = std::make_shared<DbSession>(OpenConnection(connectionString));
    } catch (const DbError&) {
        // The previous catalog connection is released even when the new one fails.
        std::lock_guard lock(slotMutex);
        catalogSlot.reset();
        return false;
    }
    std::lock_guard lock(slotMutex);
    catalogSlot = fresh;
    connection_ = fresh;
    return true;
}

std::shared_ptr<DbSession> CADOXCatalog::OpenCatalogConnection() {
    std::lock_guard lock(slotMutex);
    return catalogSlot;
}

bool CADOXTable::Open(const std::string& name) {
    if (!connection_) return false;
    try {
        const bool found = connection_->RunStatement(
            [&name](DbConnection& driver) { return driver.HasTable(name); });
        if (found) name_ = name;
        return found;
    } catch (const DbError&) {
        return false;
    }
}

bool CADOXTable::AddIndex(const CADOXIndex& index) {
    if (!connection_ || name_.empty() || index.Columns().empty()) return false;
    IndexDefinition wanted{name_, index.Name(), index.Columns(), index.IsPrimaryKey(),
                           index.IsUnique()};
    try {
        connection_->RunStatement([&wanted](DbConnection& driver) { driver.CreateIndex(wanted); });
        return true;
    } catch (const DbError&) {
        return false;
    }
}

void CADOXIndex::Create(const std::string& name) {
    name_ = name;
}

void CADOXIndex::AddColumn(const std::string& column) {
    columns_.push_back(column);
}

void CADOXIndex::SetPrimaryAndUnique() {
    primaryKey_ = true;
    unique_ = true;
}

bool TableExists(const std::string& connectionString, const std::string& tableName) {
    CADOXCatalog catalog;
    if (!catalog.Open(connectionString)) return false;
    CADOXTable table(catalog);
    return table.Open(tableName);
}
