// The data-access layer over the PostgreSQL driver: the sequences the export and the passes use.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/CADOXCatalog.h"
#include "db/ConnectionString.h"
#include "db/PostgresDialect.h"
#include "pipeline/TargetTable.h"
#include "support/TestSupport.h"

namespace {

class PostgresLayerTest : public ::testing::Test {
  protected:
    // Creates `<base>_data` the way the export prepares it: the statement, then the index.
    std::string NewTargetTable(const std::string& connection) {
        static std::mt19937 random{std::random_device{}()};
        const std::string base = "KpLayer" + std::to_string(random() % 100000000);
        connection_ = connection;
        base_ = base;
        CADODatabase db;
        db.Open(connection);
        CADOCommand(db, TargetTableCreateStatement(base)).Execute();
        CADOXCatalog catalog;
        catalog.Open(connection);
        CADOXTable table(catalog);
        EXPECT_TRUE(table.Open(TargetTableName(base)));
        CADOXIndex index;
        index.Create(TargetIndexName(base));
        index.AddColumn("id");
        index.SetPrimaryAndUnique();
        EXPECT_TRUE(table.AddIndex(index));
        return base;
    }

    void TearDown() override {
        if (base_.empty()) return;
        CADODatabase db;
        db.Open(connection_);
        CADORecordset(db).Open("DROP TABLE " + TargetTableName(base_));
    }

    // Appends one row as the writer does; an empty country makes it fail.
    static void Append(CADORecordset& rs, std::uint32_t id, const std::string& ip,
                       const std::string& country = "ZZ") {
        rs.AddNew();
        rs.WriteFieldValue("id", FieldValue::UInt32(id));
        rs.WriteFieldText("IP", ip);
        rs.WriteFieldText("Country", country);
        rs.WriteFieldText("identd", "-");
        rs.WriteFieldText("UserID", "-");
        rs.WriteFieldText("DateTimeTxt", "[01/Mar/2024:12:00:00 +0000]");
        rs.WriteFieldText("Request", "GET /a.html HTTP/1.1");
        rs.WriteFieldValue("Status", FieldValue::Int16(200));
        rs.WriteFieldValue("Bytes", FieldValue::Int32(100));
        rs.WriteFieldValue("DateTimeValue", FieldValue::Date(DateTime::FromCalendar(
                                                {2024, 3, 1, 12, 0, static_cast<int>(id % 60)})));
        rs.Update();
    }

    std::int32_t Count(CADODatabase& db, const std::string& where = "") {
        CADORecordset rs(db);
        rs.Open("Select Count(*) As N From [" + TargetTableName(base_) + "]" + where);
        std::int32_t n = -1;
        rs.ReadFieldLong("N", n);
        return n;
    }

    std::string connection_, base_;
};

TEST_F(PostgresLayerTest, PreparedTableIsFoundInAnyCaseAndKeysItsIds) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string base = NewTargetTable(connection);
    EXPECT_TRUE(TableExists(connection, TargetTableName(base)));
    EXPECT_TRUE(TableExists(connection, FoldIdentifier(TargetTableName(base))));
    EXPECT_FALSE(TableExists(connection, base + "_other"));
    EXPECT_FALSE(TableExists(connection + "x", TargetTableName(base)));  // wrong password

    CADODatabase db;
    ASSERT_TRUE(db.Open(connection));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open(TargetTableName(base)));
    Append(rs, 1, "1.1.1.1");
    // The primary key holds. Appends travel in batches, so a refusal only the server can see
    // arrives at the latest with the next statement, and the rows after it are not stored.
    try {
        Append(rs, 1, "1.1.1.2");
        Append(rs, 2, "1.1.1.3");
        Count(db);
        ADD_FAILURE() << "a duplicate id was stored";
    } catch (const CADOException& e) {
        EXPECT_EQ(e.UnstoredRows(), 2u);
    }
    EXPECT_EQ(Count(db), 1);
}

TEST_F(PostgresLayerTest, AFailingRowKeepsEveryEarlierRowAndTheExportCanGoOn) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string base = NewTargetTable(connection);
    CADODatabase db;
    db.Open(connection);
    CADORecordset rs(db);
    rs.Open(TargetTableName(base));
    for (std::uint32_t id = 1; id <= 1200; ++id) Append(rs, id, "10.0.0." + std::to_string(id % 9));
    try {
        Append(rs, 1201, "10.0.0.1", "");  // empty text is NULL: Country is NOT NULL
        ADD_FAILURE() << "a row without country was stored";
    } catch (const CADOException& e) {
        EXPECT_NE(e.ErrorText().find("CADORecordset Error"), std::string::npos);
        EXPECT_NE(e.ErrorText().find("country"), std::string::npos) << e.ErrorText();
    }
    EXPECT_EQ(Count(db), 1200);
    rs.Close();
    rs.Open(TargetTableName(base));
    Append(rs, 1202, "10.0.0.1");
    db.Close();

    CADODatabase again;
    again.Open(connection);
    EXPECT_EQ(Count(again), 1201);
    EXPECT_EQ(Count(again, " Where id = 1201"), 0);
}

// The session pass's walk: ordered rows, edits of the previous and the current row.
TEST_F(PostgresLayerTest, EditsWalkAnOrderedQueryBackAndForth) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string base = NewTargetTable(connection);
    const std::string t = "[" + TargetTableName(base) + "]";
    CADODatabase db;
    db.Open(connection);
    {
        CADORecordset rs(db);
        rs.Open(TargetTableName(base));
        for (std::uint32_t id = 1; id <= 4; ++id) Append(rs, id, "1.1.1.1");
    }
    CADORecordset(db).Open("UPDATE " + t + " SET DateTimeValue = NULL WHERE id = 4");

    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("Select  " + t + ".id,\n  " + t + ".DateTimeValue,\n  " + t +
                        ".SessionID,\n  " + t + ".PageTimeSecs\nFrom\n  " + t + "\nWhere\n  " + t +
                        ".SessionID Is Null\nOrder By\n  " + t + ".IP,\n  " + t +
                        ".DateTimeValue"));
    ASSERT_EQ(rs.RecordCount(), 4);
    std::vector<std::int32_t> order;
    std::uint32_t session = 7;
    for (rs.MoveFirst(); !rs.IsEof(); rs.MoveNext()) {
        std::int32_t id = 0;
        rs.ReadFieldLong("ID", id);
        order.push_back(id);
        if (order.size() > 1) {
            rs.MovePrevious();
            rs.Edit();
            rs.WriteFieldShort("PageTimeSecs", 70000);  // low 16 bits: 4464
            rs.Update();
            rs.MoveNext();
        }
        rs.Edit();
        rs.WriteFieldValue("SessionID", FieldValue::UInt32(session++));
        rs.Update();
    }
    EXPECT_EQ(order, (std::vector<std::int32_t>{4, 1, 2, 3}));  // NULL date first
    EXPECT_EQ(Count(db, " Where SessionID Is Null"), 0);
    EXPECT_EQ(Count(db, " Where PageTimeSecs = 4464"), 3);
    EXPECT_EQ(Count(db, " Where id = 4 And SessionID = 7"), 1);
}

TEST_F(PostgresLayerTest, StatementsThroughRecordsetsAndEmptyAggregates) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string base = NewTargetTable(connection);
    const std::string t = TargetTableName(base);
    CADODatabase db;
    db.Open(connection);
    CADORecordset max(db);
    ASSERT_TRUE(max.Open("Select\n  Max([" + t + "].id) As BiggestID\nFrom\n  [" + t + "]"));
    std::int32_t biggest = -1;
    max.ReadFieldLong("BiggestID", biggest);
    EXPECT_EQ(biggest, 0);
    {
        CADORecordset rs(db);
        rs.Open(t);
        for (std::uint32_t id = 1; id <= 8; ++id) Append(rs, id, "10.0.0." + std::to_string(id));
    }
    // The reverse DNS pass: UPDATEs from several threads over one connection.
    std::vector<std::thread> workers;
    for (int w = 1; w <= 8; ++w)
        workers.emplace_back([&, w] {
            CADORecordset rs(db);
            EXPECT_FALSE(rs.Open("UPDATE  [" + t + "]\nSET [HostName]='h''" + std::to_string(w) +
                                 "\\'\nWHERE IP='10.0.0." + std::to_string(w) + "'\n"));
        });
    for (auto& w : workers) w.join();
    CADORecordset check(db);
    check.Open("Select HostName From [" + t + "] Where id = 3");
    std::string host;
    check.ReadFieldText("hostname", host);
    EXPECT_EQ(host, "h'3\\");
    EXPECT_FALSE(CADORecordset(db).Open("DELETE FROM " + t));
    EXPECT_EQ(Count(db), 0);
}

// Callers format logged values into statements with the driver's literal: the bytes must arrive
// as they are, whatever they hold.
TEST_F(PostgresLayerTest, LiteralsMeanTheSameBytesAsStoredValues) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string t = "[" + TargetTableName(NewTargetTable(connection)) + "]";
    std::string allBytes;
    for (int b = 1; b < 256; ++b) allBytes += static_cast<char>(b);
    std::vector<std::string> texts = {allBytes, "it's \"quoted\" \\ back\\slash\\'",
                                      std::string("nul\0inside", 10), "caf\xC3\xA9 caf\xE9"};
    for (int b = 0x80; b <= 0xFF; ++b) texts.push_back(std::string(1, static_cast<char>(b)) + "'");
    CADODatabase db;
    db.Open(connection);
    {
        CADORecordset rs(db);
        rs.Open(t);
        for (std::uint32_t id = 0; id < texts.size(); ++id) Append(rs, id, "1.1.1.1");
    }
    std::shared_ptr<DbConnection> driver = db.GetConnection()->Driver();
    for (std::size_t id = 0; id < texts.size(); ++id) {
        const std::string literal = driver->SqlStringLiteral(texts[id]);
        CADORecordset(db).Open("UPDATE " + t + " SET HostName = " + literal +
                               " WHERE id = " + std::to_string(id));
        CADORecordset rs(db);
        ASSERT_TRUE(rs.Open("Select id, HostName, " + literal + " As v From " + t +
                            " Where HostName = " + literal));
        ASSERT_EQ(rs.RecordCount(), 1) << "text " << id;
        std::string stored, selected;
        rs.ReadFieldText("HostName", stored);
        rs.ReadFieldText("v", selected);
        EXPECT_EQ(stored, texts[id]) << "text " << id;
        EXPECT_EQ(selected, texts[id]) << "text " << id;
    }
}

// A row only the server refuses (a duplicate id) travels in a batch; it must be reported by the
// close that finds it, and never by a later call that has nothing to do with it.
TEST_F(PostgresLayerTest, ARowRefusedLateIsReportedAndTheRowsBeforeItStay) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string base = NewTargetTable(connection);
    {
        CADODatabase db;
        db.Open(connection);
        // A recordset destroyed unclosed can only report on stderr.
        testing::internal::CaptureStderr();
        {
            CADORecordset rs(db);
            rs.Open(TargetTableName(base));
            for (std::uint32_t id = 1; id <= 3; ++id) Append(rs, id, "1.1.1.1");
            Append(rs, 2, "1.1.1.2");  // queued; the server has not seen it yet
        }
        const std::string destroyedText = testing::internal::GetCapturedStderr();
        EXPECT_NE(destroyedText.find("(id)=(2)"), std::string::npos) << destroyedText;
        EXPECT_EQ(Count(db), 3);  // the next statement does not hear of it again

        // Close reports it too.
        CADORecordset rs(db);
        rs.Open(TargetTableName(base));
        Append(rs, 4, "1.1.1.4");
        Append(rs, 3, "1.1.1.3");
        EXPECT_THROW(rs.Close(), CADOException);
        rs.Open(TargetTableName(base));
        Append(rs, 5, "1.1.1.5");
        Append(rs, 1, "1.1.1.1");
        EXPECT_THROW(db.Close(), CADOException);
    }
    // Nobody closes: the last resort is stderr, and the accepted rows stay.
    testing::internal::CaptureStderr();
    {
        CADODatabase db;
        db.Open(connection);
        CADORecordset rs(db);
        rs.Open(TargetTableName(base));
        Append(rs, 6, "1.1.1.6");
        Append(rs, 6, "1.1.1.6");
    }
    const std::string stderrText = testing::internal::GetCapturedStderr();
    EXPECT_NE(stderrText.find("(id)=(6)"), std::string::npos) << stderrText;
    CADODatabase db;
    db.Open(connection);
    EXPECT_EQ(Count(db), 6);
}

TEST_F(PostgresLayerTest, TextOrderIsByteOrderLikeSqlite) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string t = "[" + TargetTableName(NewTargetTable(connection)) + "]";
    const std::vector<std::string> ips = {"b", "a", "B",        "\xC3\xA9", "A",
                                          "_", "Z", "\xC3\x80", "aa"};
    CADODatabase db;
    db.Open(connection);
    {
        CADORecordset rs(db);
        rs.Open(t);
        for (std::uint32_t id = 0; id < ips.size(); ++id) Append(rs, id, ips[id]);
    }
    std::vector<std::string> sorted = ips;
    std::sort(sorted.begin(), sorted.end());  // std::string compares bytes as unsigned char
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("Select IP From " + t + " Order By IP"));
    std::vector<std::string> read;
    for (; !rs.IsEof(); rs.MoveNext()) rs.ReadFieldText("IP", read.emplace_back());
    EXPECT_EQ(read, sorted);
}

// A connection string may be just the server's URI; its password never shows in a message.
TEST_F(PostgresLayerTest, AUriAloneOpensTheDatabase) {
    KP_REQUIRE_POSTGRES(connection);
    const ConnectionString settings = ConnectionString::Parse(connection);
    const std::string password = settings.Value("Password");
    auto uri = [&](const std::string& secret) {
        return "postgresql://" + settings.Value("User ID") + ":" + secret + "@" +
               settings.Value("Host") + ":" + settings.Value("Port") + "/" +
               settings.Value("Database") + "?connect_timeout=5";
    };
    CADODatabase db;
    EXPECT_TRUE(db.Open("  " + uri(password) + " "));
    CADORecordset rs(db);
    EXPECT_TRUE(rs.Open("Select 1 As one"));
    try {
        CADODatabase wrong;
        wrong.Open(uri(password + "Wrong"));
        ADD_FAILURE() << "a wrong password was accepted";
    } catch (const CADOException& e) {
        EXPECT_EQ(e.ErrorText().find(password), std::string::npos) << e.ErrorText();
    }
}

}  // namespace
