// SQLite on a disk that is full. A commit that fails there may leave its transaction open; the
// driver must end it, or whatever the connection runs next would run inside it, look stored,
// and be rolled back when the connection closes.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/BatchUpdate.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "support/ScopedMount.h"
#include "support/TestSupport.h"

namespace {

constexpr int kRows = 20'000;

std::string TextOfRow(CADODatabase& db, int id) {
    CADORecordset row(db);
    row.Open("Select v From [t] Where id = " + std::to_string(id));
    std::string text;
    row.ReadFieldText("v", text);
    return text;
}

TEST(SqliteFullDiskTest, ChangesRefusedForWantOfRoomLeaveNoTransactionBehind) {
    TempDir dir;
    const std::string folder = dir.File("disk");
    std::filesystem::create_directories(folder);
    const ScopedMount disk = ScopedMount::SmallDisk(folder, "8m");
    if (!disk.Mounted()) GTEST_SKIP() << disk.WhyNot();
    const std::string connection = "Provider=SQLite;Data Source=" + folder + "/t.db";
    {
        CADODatabase db;
        db.Open(connection);
        CADOCommand(db, "CREATE TABLE t (id int, v text)").Execute();
        CADORecordset rows(db);
        rows.Open("t");
        for (int id = 1; id <= kRows; ++id) {
            rows.AddNew();
            rows.WriteFieldValue("id", FieldValue::Int32(id));
            rows.WriteFieldText("v", std::string(100, 'a'));
            rows.Update();
        }
        rows.Close();

        disk.FillUp();
        CADORecordset all(db);
        all.Open("Select id, v From [t]");
        BatchUpdate changes(all, {"v"});
        for (all.MoveFirst(); !all.IsEof(); all.MoveNext())
            changes.Set(changes.AddCurrentRow(), 0, FieldValue::Text(std::string(100, 'b')));
        EXPECT_THROW(changes.Store(), CADOException);
        disk.MakeRoom();

        CADOCommand(db, "UPDATE t SET v = 'c' WHERE id = 1").Execute();
    }
    CADODatabase db;
    db.Open(connection);
    EXPECT_EQ(TextOfRow(db, 1), "c") << "a statement that went through was lost";
    EXPECT_EQ(TextOfRow(db, kRows), std::string(100, 'a')) << "the refused changes are stored";
}

}  // namespace
