#include "db/BatchUpdate.h"

#include <map>

#include "db/CADORecordset.h"

BatchUpdate::BatchUpdate(CADORecordset& rows, std::vector<std::string> columns)
    : rows_(rows), columns_(std::move(columns)), values_(columns_.size()) {}

std::size_t BatchUpdate::AddCurrentRow() {
    keys_.push_back(rows_.CurrentRowKey());
    given_.push_back(0);
    for (std::size_t column = 0; column < columns_.size(); ++column)
        values_.Append(FieldValue::Null());
    return keys_.size() - 1;
}

void BatchUpdate::Set(std::size_t change, std::size_t column, const FieldValue& value) {
    values_.Set(change, column, value);
    given_[change] |= std::uint32_t{1} << column;
}

void BatchUpdate::Store() {
    if (keys_.empty()) return;
    // One set of changes per combination of columns given.
    std::map<std::uint32_t, RowChanges> byColumns;
    for (std::size_t change = 0; change < keys_.size(); ++change) {
        if (given_[change] == 0) continue;
        RowChanges& changes = byColumns[given_[change]];
        if (changes.columns.empty()) {
            for (std::size_t column = 0; column < columns_.size(); ++column)
                if (given_[change] >> column & 1) changes.columns.push_back(columns_[column]);
            changes.values = RowBlock(changes.columns.size());
        }
        changes.keys.push_back(std::move(keys_[change]));
        for (std::size_t column = 0; column < columns_.size(); ++column)
            if (given_[change] >> column & 1) changes.values.Append(values_.At(change, column));
    }
    keys_.clear();
    given_.clear();
    values_ = RowBlock(columns_.size());
    std::vector<RowChanges> all;
    for (auto& [given, changes] : byColumns) all.push_back(std::move(changes));
    rows_.StoreRowChanges(all);
}
