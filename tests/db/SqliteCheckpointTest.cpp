// The write-ahead log of an SQLite database: every committed row is in the file after the
// connection closes, the log is gone then, and while writes go on it starts over instead of
// growing with them.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/Driver.h"
#include "support/TestSupport.h"

namespace {

TEST(SqliteCheckpoint, CommittedRowsAreInTheFileAndTheLogStaysSmall) {
    TempDir dir;
    const std::string file = dir.File("c.db");
    const std::string connection = "Provider=SQLite;Data Source=" + file;
    // About 100 MB in all, in many commits; the log must stay well below that.
    const std::string padding(4000, 'x');
    constexpr int kBatches = 50;
    {
        auto db = OpenConnection(connection);
        db->Execute("CREATE TABLE t (id int NOT NULL, text text)");
        auto insert = db->PrepareInsert("t", {"id", "text"});
        // Many small commits take the log past its limit again and again while rows go on.
        for (int batch = 0; batch < kBatches; ++batch) {
            db->Begin();
            for (int i = 0; i < 500; ++i) {
                const FieldValue values[] = {FieldValue::Int32(batch * 500 + i),
                                             FieldValue::Text(padding)};
                insert->Insert(values);
            }
            db->Commit();
        }
        insert.reset();
        EXPECT_LT(std::filesystem::file_size(file + "-wal"), 80'000'000u);
        EXPECT_EQ(db->Query("SELECT count(*) FROM t").rows.At(0, 0).AsInteger(), kBatches * 500);
    }
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
    auto reopened = OpenConnection(connection);
    const QueryResult counted = reopened->Query("SELECT count(*), sum(id) FROM t");
    constexpr long long kRows = kBatches * 500;
    EXPECT_EQ(counted.rows.At(0, 0).AsInteger(), kRows);
    EXPECT_EQ(counted.rows.At(0, 1).AsInteger(), (kRows - 1) * kRows / 2);
}

}  // namespace
