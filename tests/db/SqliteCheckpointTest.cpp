// The write-ahead log of an SQLite database is copied back on a thread of its own: whatever the
// copies were doing, every committed row is in the file after the connection closes, and the
// log is gone.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/Driver.h"
#include "support/TestSupport.h"

namespace {

TEST(SqliteCheckpoint, CommittedRowsAreInTheFileAndTheLogIsGoneAfterClose) {
    TempDir dir;
    const std::string file = dir.File("c.db");
    const std::string connection = "Provider=SQLite;Data Source=" + file;
    const std::string padding(2000, 'x');
    {
        auto db = OpenConnection(connection);
        db->Execute("CREATE TABLE t (id int NOT NULL, text text)");
        auto insert = db->PrepareInsert("t", {"id", "text"});
        // Many small commits take the log past its limit again and again while rows go on.
        for (int batch = 0; batch < 40; ++batch) {
            db->Begin();
            for (int i = 0; i < 500; ++i) {
                const FieldValue values[] = {FieldValue::Int32(batch * 500 + i),
                                             FieldValue::Text(padding)};
                insert->Insert(values);
            }
            db->Commit();
        }
        insert.reset();
        EXPECT_EQ(db->Query("SELECT count(*) FROM t").rows.At(0, 0).AsInteger(), 20000);
    }
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
    auto reopened = OpenConnection(connection);
    const QueryResult counted = reopened->Query("SELECT count(*), sum(id) FROM t");
    EXPECT_EQ(counted.rows.At(0, 0).AsInteger(), 20000);
    EXPECT_EQ(counted.rows.At(0, 1).AsInteger(), 19999LL * 20000 / 2);
}

}  // namespace
