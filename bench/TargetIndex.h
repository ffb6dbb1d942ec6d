#pragma once
// The primary key the export gives a target table before its first row, so that benchmarks
// write and edit the table the program really uses. Silent when it cannot be made (already
// there), as in the export.

#include <string>

#include "db/CADOXCatalog.h"
#include "pipeline/TargetTable.h"

inline void AddTargetIndex(const std::string& connectionString, const std::string& base) {
    CADOXCatalog catalog;
    catalog.Open(connectionString);
    CADOXTable table(catalog);
    if (!table.Open(TargetTableName(base))) return;
    CADOXIndex index;
    index.Create(TargetIndexName(base));
    index.AddColumn("id");
    index.SetPrimaryAndUnique();
    table.AddIndex(index);
}
