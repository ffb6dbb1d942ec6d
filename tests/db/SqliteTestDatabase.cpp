#include "SqliteTestDatabase.h"

#include "db/CADOXCatalog.h"
#include "pipeline/TargetTable.h"

void SqliteTestDatabase::CreateTargetTable(const std::string& base) const {
    Run(TargetTableCreateStatement(base));
    CADOXCatalog catalog;
    catalog.Open(connectionString_);
    CADOXTable table(catalog);
    table.Open(TargetTableName(base));
    CADOXIndex index;
    index.Create(TargetIndexName(base));
    index.AddColumn("id");
    index.SetPrimaryAndUnique();
    table.AddIndex(index);
}
