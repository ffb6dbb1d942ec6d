// A query read forward only, a chunk at a time, on both drivers: the same rows in the same order
// as the whole result, and changes stored between chunks, as the session pass stores them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <tuple>
#include <vector>

#include "db/BatchUpdate.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "support/TestSupport.h"

namespace {

enum class Driver { Sqlite, Postgres };

struct WalkedRow {
    std::string ip;
    std::string agent;
    std::int32_t id = 0;
    RowKey key;
    bool operator==(const WalkedRow&) const = default;
};

void PrintTo(const WalkedRow& row, std::ostream* out) {
    *out << row.id << " " << ::testing::PrintToString(row.ip) << " "
         << ::testing::PrintToString(row.agent);
}

class RowWalkTest : public ::testing::TestWithParam<Driver> {
  protected:
    // Opens the database and makes an empty table of its own; false when the driver has no
    // server to test against.
    bool OpenTable() {
        if (GetParam() == Driver::Sqlite) {
            connection_ = "Provider=SQLite;Data Source=" + dir_.File("walk.db");
            table_ = "Walk";
        } else {
            const auto pg = PostgresTestConnection();
            if (!pg) return false;
            static std::atomic<int> serial{0};
            connection_ = *pg;
            table_ = "Walk" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
        }
        db_.Open(connection_);
        Run("DROP TABLE IF EXISTS [" + table_ + "]");
        Run("CREATE TABLE [" + table_ +
            "] (id int NOT NULL, IP varchar(255), UserAgent text, n int)");
        return true;
    }

    void TearDown() override {
        if (table_.empty()) return;
        try {
            Run("DROP TABLE [" + table_ + "]");
        } catch (const CADOException&) {
        }
    }

    void Run(const std::string& statement) { CADOCommand(db_, statement).Execute(); }

    void Add(const std::vector<std::pair<std::string, std::string>>& visitorRows) {
        CADORecordset rows(db_);
        rows.Open(table_);
        for (const auto& [ip, agent] : visitorRows) {
            rows.AddNew();
            rows.WriteFieldValue("id", FieldValue::Int32(++lastId_));
            rows.WriteFieldValue("IP", FieldValue::Text(ip));
            rows.WriteFieldValue("UserAgent", FieldValue::Text(agent));
            rows.Update();
        }
        rows.Close();
    }

    std::string OrderedQuery() const {
        return "Select [" + table_ + "].id, [" + table_ + "].IP, [" + table_ +
               "].UserAgent From [" + table_ + "] Order By [" + table_ + "].IP, [" + table_ +
               "].UserAgent, [" + table_ + "].id";
    }

    static std::vector<WalkedRow> ReadAll(CADORecordset& rows) {
        std::vector<WalkedRow> walked;
        for (; !rows.IsEof(); rows.MoveNext()) {
            WalkedRow row;
            rows.ReadFieldText("IP", row.ip);
            rows.ReadFieldText("UserAgent", row.agent);
            rows.ReadFieldLong("id", row.id);
            row.key = rows.CurrentRowKey();
            walked.push_back(row);
        }
        return walked;
    }

    TempDir dir_;
    CADODatabase db_;
    std::string connection_;
    std::string table_;
    std::int32_t lastId_ = 0;
};

#define KP_REQUIRE_TABLE() \
    if (!OpenTable()) GTEST_SKIP() << "no PostgreSQL test server (scripts/pg-test-server start)"

TEST_P(RowWalkTest, ChunksYieldTheWholeResultsRowsInItsOrderWithTheirKeys) {
    KP_REQUIRE_TABLE();
    // Texts the PostgreSQL driver stores in its escaped form (NUL, bytes that are no UTF-8)
    // must sort and read back as the whole result has them; a visitor's rows run across the
    // chunks of 4 rows.
    const std::string nul("a\0b", 3);
    Add({{"10.0.0.2", "B"},
         {nul, "x"},
         {"10.0.0.1", "A\xff"},
         {"10.0.0.2", "B"},
         {"10.0.0.1", "A"},
         {"10.0.0.2", "B"},
         {nul, "x"},
         {"10.0.0.2", "B"},
         {"\xc3\x28", "z"},
         {"10.0.0.1", "A\xff"},
         {"10.0.0.2", "B"},
         {"10.0.0.3", ""}});

    CADORecordset whole(db_);
    ASSERT_TRUE(whole.Open(OrderedQuery()));
    const std::vector<WalkedRow> expected = ReadAll(whole);
    whole.Close();
    ASSERT_EQ(expected.size(), 12u);

    for (const std::size_t chunk : {1u, 4u, 12u, 100u}) {
        CADORecordset walk(db_);
        walk.OpenForwardOnly(OrderedQuery(), chunk);
        EXPECT_EQ(walk.RecordCount(), 12);
        EXPECT_EQ(ReadAll(walk), expected) << "chunks of " << chunk;
        // Rows of chunks left behind are gone: going back must not quietly restart elsewhere.
        if (chunk < expected.size()) {
            EXPECT_THROW(walk.MoveFirst(), CADOException) << "chunks of " << chunk;
        }
    }
}

// The next chunk may already be on its way when the caller stops walking: the statements that
// follow must get their own answers, not that chunk.
TEST_P(RowWalkTest, AWalkLeftHalfWayLeavesTheConnectionToTheStatementsAfterIt) {
    KP_REQUIRE_TABLE();
    std::vector<std::pair<std::string, std::string>> visitorRows;
    for (int i = 0; i < 10; ++i) visitorRows.emplace_back("10.0.0." + std::to_string(i), "A");
    Add(visitorRows);
    {
        CADORecordset walk(db_);
        walk.OpenForwardOnly(OrderedQuery(), 2);
        for (int i = 0; i < 3; ++i) walk.MoveNext();
        CADORecordset count(db_);
        ASSERT_TRUE(count.Open("Select Count(*) AS n From [" + table_ + "]"));
        std::int32_t n = 0;
        count.ReadFieldLong("n", n);
        EXPECT_EQ(n, 10);
    }
    CADORecordset whole(db_);
    ASSERT_TRUE(whole.Open(OrderedQuery()));
    EXPECT_EQ(ReadAll(whole).size(), 10u);
}

TEST_P(RowWalkTest, ChangesStoredBetweenChunksAreKeptAndLeaveTheWalkAlone) {
    KP_REQUIRE_TABLE();
    std::vector<std::pair<std::string, std::string>> visitorRows;
    for (int i = 0; i < 40; ++i) visitorRows.emplace_back("10.0.0." + std::to_string(i % 7), "A");
    Add(visitorRows);

    // The rows the walk has still to yield match the filter until they are changed.
    CADORecordset walk(db_);
    walk.OpenForwardOnly("Select [" + table_ + "].id, [" + table_ + "].n From [" + table_ +
                             "] Where [" + table_ + "].n Is Null Order By [" + table_ + "].id",
                         3);
    BatchUpdate changes(walk, {"n"});
    std::vector<std::int32_t> walked;
    for (; !walk.IsEof(); walk.MoveNext()) {
        std::int32_t id = 0;
        walk.ReadFieldLong("id", id);
        walked.push_back(id);
        changes.Set(changes.AddCurrentRow(), 0, FieldValue::Int32(id * 10));
        if (changes.Size() == 5) changes.Store();
    }
    changes.Store();
    walk.Close();

    std::vector<std::int32_t> ids;
    for (std::int32_t id = 1; id <= 40; ++id) ids.push_back(id);
    EXPECT_EQ(walked, ids);
    CADORecordset stored(db_);
    ASSERT_TRUE(stored.Open("Select [" + table_ + "].id, [" + table_ + "].n From [" + table_ +
                            "] Order By [" + table_ + "].id"));
    for (; !stored.IsEof(); stored.MoveNext()) {
        std::int32_t id = 0, n = 0;
        stored.ReadFieldLong("id", id);
        ASSERT_TRUE(stored.ReadFieldLong("n", n)) << "row " << id;
        EXPECT_EQ(n, id * 10);
    }
}

std::string DriverName(const ::testing::TestParamInfo<Driver>& param) {
    return param.param == Driver::Sqlite ? "SQLite" : "PostgreSQL";
}

INSTANTIATE_TEST_SUITE_P(Drivers, RowWalkTest, ::testing::Values(Driver::Sqlite, Driver::Postgres),
                         DriverName);

}  // namespace
