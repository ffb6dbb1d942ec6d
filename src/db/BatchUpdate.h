#pragma once
// Changes of rows of a recordset, noted while it is walked and stored together: one statement
// per batch instead of one per row, the rows taken in the table's order rather than the walk's.
// A pass that walks the table in another order (visitors, say) and stores each row as it goes
// rewrites pages from all over the table for every few rows it changes.
//
// What Store stores is stored all or nothing, so a batch that ends where the walk's own units end
// (a visitor's rows) never leaves such a unit half done.

#include <cstddef>
#include <string>
#include <vector>

#include "db/Driver.h"
#include "db/FieldValue.h"

class CADORecordset;

class BatchUpdate {
  public:
    // Changes of `columns` (at most 32) in the rows of `rows`, which must be open on rows that
    // can be changed.
    BatchUpdate(CADORecordset& rows, std::vector<std::string> columns);

    // Notes a change of the recordset's current row, with no values yet; returns its number.
    std::size_t AddCurrentRow();
    // Gives the change a value for one column (by its place in `columns`). A column given no
    // value keeps what the row holds.
    void Set(std::size_t change, std::size_t column, const FieldValue& value);
    std::size_t Size() const { return changes_.keys.size(); }

    // Hands the noted changes to the database to be stored with the next Store, and forgets
    // them: a walk with more changes than memory should hold notes them a batch at a time, and
    // the table is still rewritten once, not once per batch. A database may store them at once
    // instead. Throws CADOException; nothing of the batch is set aside then.
    void Stage();
    // Stores the noted changes, with those handed over by Stage, and forgets them. Throws
    // CADOException; nothing of them is stored then.
    void Store();

  private:
    void Clear();

    CADORecordset& rows_;
    RowChanges changes_;
    bool staged_ = false;  // Stage has handed over changes that Store has not stored yet
};
