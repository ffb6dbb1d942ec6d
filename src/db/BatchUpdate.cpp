#include "db/BatchUpdate.h"

#include "db/CADORecordset.h"
#include "db/DbError.h"

BatchUpdate::BatchUpdate(CADORecordset& rows, std::vector<std::string> columns) : rows_(rows) {
    changes_.columns = std::move(columns);
    Clear();
}

void BatchUpdate::Clear() {
    changes_.keys.clear();
    changes_.given.clear();
    changes_.values = RowBlock(changes_.columns.size());
}

std::size_t BatchUpdate::AddCurrentRow() {
    changes_.keys.push_back(rows_.CurrentRowKey());
    changes_.given.push_back(0);
    for (std::size_t column = 0; column < changes_.columns.size(); ++column)
        changes_.values.Append(FieldValue::Null());
    return changes_.keys.size() - 1;
}

void BatchUpdate::Set(std::size_t change, std::size_t column, const FieldValue& value) {
    try {
        changes_.values.Set(change, column, value);
    } catch (const DbError& error) {
        // Only a misuse gets here (a change or column out of range): the layer's one error type.
        throw CADOException(error.Code(), error.Description());
    }
    changes_.given[change] |= std::uint32_t{1} << column;
}

void BatchUpdate::Stage() {
    if (changes_.keys.empty()) return;
    try {
        rows_.StageRowChanges(changes_, !staged_);
    } catch (...) {
        Clear();
        staged_ = false;
        throw;
    }
    staged_ = true;
    Clear();
}

void BatchUpdate::Store() {
    if (changes_.keys.empty() && !staged_) return;
    staged_ = false;
    try {
        rows_.StoreRowChanges(changes_);
    } catch (...) {
        Clear();
        throw;
    }
    Clear();
}
