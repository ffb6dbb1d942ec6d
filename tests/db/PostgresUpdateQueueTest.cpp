// Changes of rows keyed by id on PostgreSQL: queued inside a transaction, sent many rows to a
// statement, and still refused one row at a time (real server, scripts/pg-test-server).
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "MinimalTargetRow.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/DbError.h"
#include "db/Driver.h"
#include "db/PostgresErrorCode.h"
#include "pipeline/TargetTable.h"
#include "support/TestSupport.h"

namespace {

std::vector<FieldValue> Row(int id) {
    return TargetRow(id, "10.0.0." + std::to_string(id % 250));
}

std::vector<FieldValue> One(FieldValue value) {
    return {std::move(value)};
}

RowKey IdKey(int id) {
    return {id, {}};
}

std::string Sqlstate(const DbError& e) {
    return UnpackSqlState(e.Code()).value_or("none");
}

class PostgresUpdateQueueTest : public ::testing::Test {
  protected:
    // A target table with the export's primary key and `rows` rows of ids 1..rows.
    std::string NewTable(DbConnection& db, int rows) {
        static std::mt19937 random{std::random_device{}()};
        base_ = "KpQueue" + std::to_string(random() % 100000000);
        db.Execute(TargetTableCreateStatement(base_));
        db.CreateIndex({Table(), TargetIndexName(base_), {"id"}, true, true});
        auto insert = db.PrepareInsert(Table(), kRowColumns);
        db.Begin();
        for (int id = 1; id <= rows; ++id) insert->Insert(Row(id));
        db.Commit();
        return Table();
    }

    std::string Table() const { return TargetTableName(base_); }

    // Column `column` of every row, by id; NULL reads as -1.
    std::map<int, std::int64_t> ValuesById(DbConnection& db, const std::string& column) {
        std::map<int, std::int64_t> values;
        const auto result = db.Query("Select id, " + column + " From [" + Table() + "]");
        for (std::size_t row = 0; row < result.rows.Rows(); ++row) {
            const FieldValue value = result.rows.At(row, 1);
            values[static_cast<int>(result.rows.At(row, 0).AsInteger())] =
                value.IsNull() ? -1 : value.AsInteger();
        }
        return values;
    }

    void TearDown() override {
        if (base_.empty()) return;
        if (auto connection = PostgresTestConnection())
            OpenConnection(*connection)->Execute("DROP TABLE IF EXISTS " + Table());
    }

    std::string base_;
};

TEST_F(PostgresUpdateQueueTest, RowsAreKeyedByIdOnlyWhereIdIsTheTablesOwnUniqueKey) {
    KP_REQUIRE_POSTGRES(connection);
    auto db = OpenConnection(connection);
    const std::string table = NewTable(*db, 3);

    const auto byId = db->Query("Select SessionID, id From [" + table + "] Order By id Desc");
    ASSERT_EQ(byId.keys.size(), 3u);
    EXPECT_EQ(byId.keys[0], IdKey(3));
    EXPECT_EQ(byId.keys[2], IdKey(1));
    EXPECT_EQ(db->Query("Select * From [" + table + "]").keys[0].text, "");

    // Without the id among the columns the rows are still addressed, by ctid.
    const auto withoutId = db->Query("Select SessionID From [" + table + "]");
    ASSERT_EQ(withoutId.keys.size(), 3u);
    EXPECT_FALSE(withoutId.keys[0].text.empty());

    // A unique index over id and another column does not make id unique.
    db->Execute("ALTER TABLE " + table + " DROP CONSTRAINT " + TargetIndexName(base_));
    db->Execute("CREATE UNIQUE INDEX " + base_ + "_pair ON " + table + " (id, IP)");
    EXPECT_FALSE(db->Query("Select id From [" + table + "]").keys[0].text.empty());

    // A plain unique index does, but lets id be NULL: such a row keeps its ctid.
    db->Execute("DROP INDEX " + base_ + "_pair");
    db->Execute("ALTER TABLE " + table + " ALTER COLUMN id DROP NOT NULL");
    db->Execute("CREATE UNIQUE INDEX " + base_ + "_id ON " + table + " (id)");
    db->Execute("UPDATE " + table + " SET id = NULL WHERE id = 2");
    const auto nullId = db->Query("Select id From [" + table + "] Order By id");
    ASSERT_EQ(nullId.keys.size(), 3u);
    EXPECT_FALSE(nullId.keys[0].text.empty());  // NULL sorts first
    EXPECT_EQ(nullId.keys[1], IdKey(1));
    auto update = db->PrepareUpdate(nullId.keyTable, {"SessionID"});
    db->Begin();
    const RowKey moved = update->Update(nullId.keys[0], One(FieldValue::Int32(20)));
    EXPECT_NE(moved, nullId.keys[0]);
    update->Update(nullId.keys[1], One(FieldValue::Int32(10)));
    db->Commit();
    const auto sessions = db->Query("Select SessionID From [" + table + "] Order By id");
    EXPECT_EQ(sessions.rows.At(0, 0).AsInteger(), 20);
    EXPECT_EQ(sessions.rows.At(1, 0).AsInteger(), 10);
}

TEST_F(PostgresUpdateQueueTest, EditsOfEveryRowThroughARecordsetStoreEveryValue) {
    KP_REQUIRE_POSTGRES(connection);
    const int rows = 2600;
    NewTable(*OpenConnection(connection), rows);
    CADODatabase db;
    ASSERT_TRUE(db.Open(connection));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("Select [" + Table() + "].id, [" + Table() + "].SessionID, [" + Table() +
                        "].PageTimeSecs From [" + Table() + "] Order By id Desc"));
    // Two column sets in uneven stretches, as the session pass writes them.
    for (rs.MoveFirst(); !rs.IsEof(); rs.MoveNext()) {
        std::int32_t id = 0;
        ASSERT_TRUE(rs.ReadFieldLong("id", id));
        rs.Edit();
        rs.WriteFieldValue("SessionID", FieldValue::Int32(id * 3));
        if (id % 7 != 0) rs.WriteFieldValue("PageTimeSecs", FieldValue::Int16(id % 1800));
        rs.Update();
    }
    rs.Close();

    auto check = OpenConnection(connection);
    const auto sessions = ValuesById(*check, "SessionID");
    const auto pageTimes = ValuesById(*check, "PageTimeSecs");
    ASSERT_EQ(sessions.size(), static_cast<std::size_t>(rows));
    for (int id = 1; id <= rows; ++id) {
        EXPECT_EQ(sessions.at(id), id * 3) << id;
        EXPECT_EQ(pageTimes.at(id), id % 7 != 0 ? id % 1800 : -1) << id;
    }
}

TEST_F(PostgresUpdateQueueTest, RowRefusedAmongQueuedUpdatesEndsTheChangesThere) {
    KP_REQUIRE_POSTGRES(connection);
    auto db = OpenConnection(connection);
    const std::string table = NewTable(*db, 600);
    // Passes the checks made before queuing; only the server knows it.
    db->Execute("ALTER TABLE " + table + " ADD CONSTRAINT " + base_ +
                "_odd CHECK (SessionID <> 99999)");
    auto update = db->PrepareUpdate(table, {"SessionID"});

    db->Begin();
    for (int id = 1; id <= 600; ++id) update->Update(IdKey(id), One(FieldValue::Int32(id)));
    update->Update(IdKey(300), One(FieldValue::Int32(99999)));
    update->Update(IdKey(301), One(FieldValue::Int32(3010)));
    try {
        db->Commit();
        ADD_FAILURE() << "the refused change was reported as stored";
    } catch (const DbError& e) {
        EXPECT_EQ(Sqlstate(e), "23514");
        EXPECT_NE(std::string(e.what()).find("violates check constraint"), std::string::npos)
            << e.what();
        EXPECT_EQ(e.UnstoredRows(), 2u);
    }
    auto sessions = ValuesById(*db, "SessionID");
    for (int id = 1; id <= 600; ++id) EXPECT_EQ(sessions.at(id), id) << id;

    // A bad value the client can tell is refused by the call itself and queues nothing.
    db->Begin();
    try {
        db->PrepareUpdate(table, {"Country"})->Update(IdKey(5), One(FieldValue::Text("TOOLONG")));
        ADD_FAILURE() << "an over-long country was queued";
    } catch (const DbError& e) {
        EXPECT_EQ(Sqlstate(e), "22001");
    }
    EXPECT_THROW(db->PrepareUpdate(table, {"IP"})->Update(IdKey(5), One(FieldValue::Null())),
                 DbError);
    EXPECT_NO_THROW(db->Commit());
    EXPECT_EQ(db->Query("Select Country From [" + table + "] Where id = 5").rows.At(0, 0).AsText(),
              "ZZ");
}

TEST_F(PostgresUpdateQueueTest, ChangeOfARowNoLongerThereIsReportedAndTheRowsBeforeItStored) {
    KP_REQUIRE_POSTGRES(connection);
    auto db = OpenConnection(connection);
    const std::string table = NewTable(*db, 600);
    OpenConnection(connection)->Execute("DELETE FROM " + table + " WHERE id IN (100, 550)");
    auto update = db->PrepareUpdate(table, {"SessionID"});

    // 100 lies in a run sent as one statement; the changes from there on are not stored.
    db->Begin();
    for (int id = 1; id <= 600; ++id) update->Update(IdKey(id), One(FieldValue::Int32(id + 1)));
    try {
        db->Commit();
        ADD_FAILURE() << "changes of deleted rows were reported as stored";
    } catch (const DbError& e) {
        EXPECT_EQ(Sqlstate(e), "02000");
        EXPECT_EQ(e.Description(), "the row to update no longer exists");
        EXPECT_EQ(e.UnstoredRows(), 501u);
    }
    const auto sessions = ValuesById(*db, "SessionID");
    EXPECT_EQ(sessions.size(), 598u);
    for (const auto& [id, session] : sessions) EXPECT_EQ(session, id < 100 ? id + 1 : -1) << id;

    // Outside a transaction the change is made at once and the missing row told at once.
    EXPECT_THROW(update->Update(IdKey(100), One(FieldValue::Int32(1))), DbError);
    update->Update(IdKey(101), One(FieldValue::Int32(7)));
    EXPECT_EQ(ValuesById(*db, "SessionID").at(101), 7);
}

TEST_F(PostgresUpdateQueueTest, QueuedWritesKeepTheirOrder) {
    KP_REQUIRE_POSTGRES(connection);
    auto db = OpenConnection(connection);
    const std::string table = NewTable(*db, 400);
    auto sessionOnly = db->PrepareUpdate(table, {"SessionID"});
    auto both = db->PrepareUpdate(table, {"SessionID", "PageTimeSecs"});
    auto insert = db->PrepareInsert(table, kRowColumns);

    db->Begin();
    // A row changed twice within one run ends with the second change.
    for (int id = 1; id <= 300; ++id) sessionOnly->Update(IdKey(id), One(FieldValue::Int32(id)));
    for (int id = 1; id <= 300; ++id)
        sessionOnly->Update(IdKey(id), One(FieldValue::Int32(id + 1000)));
    sessionOnly->Update(IdKey(350), One(FieldValue::Int32(1)));
    both->Update(IdKey(350), std::vector{FieldValue::Int32(2), FieldValue::Int16(20)});
    sessionOnly->Update(IdKey(350), One(FieldValue::Int32(3)));
    // A changed id is the row's key from then on.
    auto renumber = db->PrepareUpdate(table, {"id"});
    const RowKey moved = renumber->Update(IdKey(360), One(FieldValue::Int32(5000)));
    EXPECT_EQ(moved, IdKey(5000));
    sessionOnly->Update(moved, One(FieldValue::Int32(77)));
    // Rows appended in the same transaction can be changed right after.
    for (int id = 401; id <= 420; ++id) {
        insert->Insert(Row(id));
        sessionOnly->Update(IdKey(id), One(FieldValue::Int32(id * 2)));
    }
    EXPECT_NO_THROW(db->Commit());

    const auto sessions = ValuesById(*db, "SessionID");
    ASSERT_EQ(sessions.size(), 420u);
    EXPECT_EQ(sessions.at(5000), 77);
    for (int id = 1; id <= 300; ++id) EXPECT_EQ(sessions.at(id), id + 1000) << id;
    EXPECT_EQ(sessions.at(350), 3);
    EXPECT_EQ(ValuesById(*db, "PageTimeSecs").at(350), 20);
    for (int id = 401; id <= 420; ++id) EXPECT_EQ(sessions.at(id), id * 2) << id;
}

}  // namespace
