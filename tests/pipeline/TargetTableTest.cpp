#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/CADOXCatalog.h"
#include "pipeline/TargetTable.h"
#include "support/TestSupport.h"

namespace {

TEST(TargetTable, StatementTextAndNames) {
    EXPECT_EQ(TargetTableName(""), "_data");
    EXPECT_EQ(TargetIndexName(""), "_Index");
    const std::string create = TargetTableCreateStatement("Web");
    EXPECT_EQ(
        create.rfind("CREATE TABLE Web_data(\n   id int NOT NULL,\n   SessionID int,\n\tIP ", 0),
        0u);
    EXPECT_NE(create.find("\n\tUserAgent text,\n   IsSpider varchar(1))"), std::string::npos);
}

TEST(TargetTable, BaseNamesThatAreNotPlainNamesMakeTheCreateFailAndNothingElseRun) {
    TempDir dir;
    const std::string connection = "Provider=SQLite;Data Source=" + dir.File("t.db");
    CADODatabase db;
    db.Open(connection);
    const auto run = [&db](const std::string& sql) { CADOCommand(db, sql).Execute(); };
    run("CREATE TABLE keep(x int)");
    for (const std::string base :
         {"my table", "it's", "x\"y", "a_data(id int); DROP TABLE keep; --",
          "keep; DELETE FROM keep"}) {
        EXPECT_THROW(run(TargetTableCreateStatement(base)), CADOException) << base;
    }
    EXPECT_TRUE(TableExists(connection, "keep"));
    CADORecordset tables(db);
    tables.Open("Select name From sqlite_master Where type = 'table'");
    std::vector<std::string> names;
    for (; !tables.IsEof(); tables.MoveNext()) tables.ReadFieldText("name", names.emplace_back());
    EXPECT_EQ(names, (std::vector<std::string>{"keep"}));
}

}  // namespace
