// The PostgreSQL driver against a real server (scripts/pg-test-server).
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "MinimalTargetRow.h"
#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/Driver.h"
#include "db/PostgresDialect.h"
#include "db/PostgresErrorCode.h"
#include "support/TestSupport.h"

namespace {

const char* const kCreateTable =
    "CREATE TABLE %s_data(\n   id int NOT NULL,\n   SessionID int,\n\tIP varchar(255) NOT "
    "NULL,\n   HostName varchar(255),\n\tCountry varchar(3) NOT NULL,\n\tidentd varchar(255) "
    "NOT NULL,\n\tUserID varchar(255) NOT NULL,\n\tDateTimeTxt varchar(255) NOT "
    "NULL,\n\tDateTimeValue datetime,\n\tRequest text NOT NULL,\n   FileName varchar(255),\n   "
    "Extension varchar(32),\n\tStatus smallint NOT NULL,\n\tBytes integer NOT NULL,\n   "
    "PageTimeSecs smallint,\n\tReferrer text,\n   SearchTerm varchar(255),\n   ResultsPage "
    "smallint,\n\tUserAgent text,\n   IsSpider varchar(1))";

std::string Format(std::string text, const std::string& base) {
    for (auto pos = text.find("%s"); pos != std::string::npos; pos = text.find("%s", pos))
        text.replace(pos, 2, base), pos += base.size();
    return text;
}

std::string Sqlstate(const DbError& e) {
    return UnpackSqlState(e.Code()).value_or("none");
}

// Connection string of the test server with one key replaced.
std::string WithKey(const std::string& connection, const std::string& key,
                    const std::string& value) {
    std::string result;
    const auto settings = ConnectionString::Parse(connection);
    for (const auto& [k, v] : settings.Entries())
        if (k != key) result += k + "=" + v + ";";
    std::string quoted;
    for (char c : value) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return result + key + "=\"" + quoted + "\"";
}

class PostgresDriverTest : public ::testing::Test {
  protected:
    // A table name no other test uses, dropped again at the end.
    std::string NewBase() {
        static std::mt19937 random{std::random_device{}()};
        std::string base = "KpTest" + std::to_string(random() % 100000000);
        bases_.push_back(base);
        return base;
    }

    std::unique_ptr<DbConnection> Connect(const std::string& connection) {
        return OpenConnection(connection);
    }

    void CreateTarget(DbConnection& db, const std::string& base) {
        db.Execute(Format(kCreateTable, base));
    }

    void TearDown() override {
        if (auto connection = PostgresTestConnection()) {
            auto db = OpenConnection(*connection);
            for (const auto& base : bases_) db->Execute("DROP TABLE IF EXISTS " + base + "_data");
        }
    }

    std::vector<std::string> bases_;
};

// Tests over a connection to the test server and a new target table of their own.
class PostgresTargetTest : public PostgresDriverTest {
  protected:
    void SetUp() override {
        KP_REQUIRE_POSTGRES(connection);
        db_ = Connect(connection);
        base_ = NewBase();
        CreateTarget(*db_, base_);
    }

    void TearDown() override {
        // Closed first: a transaction the test left open would hold the table the drop needs.
        db_.reset();
        PostgresDriverTest::TearDown();
    }

    std::unique_ptr<DbConnection> db_;
    std::string base_;
};

TEST_F(PostgresDriverTest, ConnectFailuresExplainTheCauseWithoutThePassword) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string password = ConnectionString::Parse(connection).Value("Password");

    auto expectFailure = [&](const std::string& text, const std::string& sqlstate,
                             const std::string& cause) {
        try {
            OpenConnection(text);
            ADD_FAILURE() << "connected with " << cause;
        } catch (const DbError& e) {
            EXPECT_EQ(Sqlstate(e), sqlstate) << e.what();
            EXPECT_NE(std::string(e.what()).find(cause), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).find(password), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).find(text), std::string::npos);
        }
    };
    expectFailure(WithKey(connection, "Password", "wrong"), "28P01",
                  "password authentication failed");
    expectFailure(WithKey(connection, "Database", "no_such_db"), "3D000", "does not exist");
    // Port 1 on loopback: nothing listens, the refusal comes at once.
    expectFailure(WithKey(connection, "Port", "1"), "08001", "Connection refused");
    // A quote or a conninfo-looking text in a value is part of the value, nothing else.
    expectFailure(WithKey(connection, "Host", "127.0.0.1' port='5432"), "08001",
                  "127.0.0.1' port='5432");
    expectFailure(WithKey(connection, "Database", "kestrelport password=x"), "3D000",
                  "kestrelport password=x");
}

TEST_F(PostgresDriverTest, UriInDataSourceConnects) {
    KP_REQUIRE_POSTGRES(connection);
    const auto s = ConnectionString::Parse(connection);
    const std::string uri = "postgresql://" + s.Value("User ID") + ":" + s.Value("Password") +
                            "@127.0.0.1:" + s.Value("Port") + "/" + s.Value("Database");
    auto db = OpenConnection("Provider=PostgreSQL;Data Source=\"" + uri + "\"");
    EXPECT_TRUE(db->Query("SELECT 1 AS one").hasRows);

    try {
        OpenConnection("Provider=PostgreSQL;Data Source=\"" + uri + "x\"");
        ADD_FAILURE() << "connected to a missing database";
    } catch (const DbError& e) {
        EXPECT_EQ(std::string(e.what()).find(s.Value("Password")), std::string::npos);
    }
}

TEST_F(PostgresDriverTest, TargetTableIsFoundAndIndexedWhateverTheCaseOfItsName) {
    KP_REQUIRE_POSTGRES(connection);
    auto db = Connect(connection);
    const std::string base = NewBase();
    EXPECT_FALSE(db->HasTable(base + "_data"));
    CreateTarget(*db, base);
    EXPECT_TRUE(db->HasTable(base + "_data"));
    EXPECT_TRUE(db->HasTable(FoldIdentifier(base) + "_data"));
    const auto columns = db->TableColumns(base + "_data");
    ASSERT_EQ(columns.size(), 20u);
    EXPECT_EQ(columns[0], "id");
    EXPECT_EQ(columns[8], "datetimevalue");

    db->CreateIndex({base + "_data", base + "_Index", {"id"}, true, true});
    const auto index = db->Query(
        "SELECT conname FROM pg_constraint WHERE contype = 'p' AND conrelid = to_regclass('" +
        base + "_data')");
    ASSERT_EQ(index.rows.Rows(), 1u);
    EXPECT_EQ(index.rows.At(0, 0).AsText(), FoldIdentifier(base) + "_index");

    // The primary key holds: a second row with the same id fails.
    auto insert = db->PrepareInsert(base + "_data", kRowColumns);
    insert->Insert(TargetRow(1, "1.2.3.4"));
    EXPECT_THROW(insert->Insert(TargetRow(1, "1.2.3.5")), DbError);
}

TEST_F(PostgresTargetTest, EveryByteStringComesBackUnchanged) {
    std::vector<std::string> texts = {
        "plain",
        "it's \\ \"quoted\"",
        "caf\xC3\xA9",
        "caf\xE9",
        std::string("nul\0inside", 10),
        std::string("\0", 1),
        "\xEE\x80\x80 starts with the escape mark",
        "\xEE\x80\x81"
        "A\xC3\x81",
        "\xC3\x81\xEE\x80\x80",
        // What ends a field or a row of COPY data, or means NULL.
        "tab\there\nnew line\r\nend\\",
        "\\N",
        "\\.",
    };
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    texts.push_back(all);
    for (int b = 0; b < 256; ++b) texts.push_back(std::string(1, static_cast<char>(b)) + "x");

    auto insert = db_->PrepareInsert(
        base_ + "_data", {"id", "IP", "Country", "identd", "UserID", "DateTimeTxt", "Request",
                          "Status", "Bytes", "UserAgent"});
    db_->Begin();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto row = TargetRow(static_cast<int>(i), "1.2.3.4");
        row.push_back(FieldValue::Text(texts[i]));
        insert->Insert(row);
    }
    db_->Commit();
    const auto result = db_->Query("Select id, UserAgent From [" + base_ + "_data] Order By id");
    ASSERT_EQ(result.rows.Rows(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(result.rows.At(i, 1).AsText(), texts[i]) << "text " << i;

    // A literal in a statement means the same bytes as the stored value.
    const auto found = db_->Query("Select id From [" + base_ +
                                  "_data] Where UserAgent = " + db_->SqlStringLiteral(texts[3]));
    ASSERT_EQ(found.rows.Rows(), 1u);
    EXPECT_EQ(found.rows.At(0, 0).AsInteger(), 3);
}

TEST_F(PostgresTargetTest, VarcharLimitsCountOneCharacterPerLatin1Byte) {
    auto insert = db_->PrepareInsert(base_ + "_data", kRowColumns);
    auto row = TargetRow(1, "1.2.3.4");
    row[2] = FieldValue::Text("\xE9\xE9\xE9");  // three Latin-1 bytes fit varchar(3)
    EXPECT_NO_THROW(insert->Insert(row));
    row[2] = FieldValue::Text("ABCD");
    try {
        insert->Insert(row);
        ADD_FAILURE() << "a four-letter country was stored";
    } catch (const DbError& e) {
        EXPECT_EQ(Sqlstate(e), "22001");
        EXPECT_NE(std::string(e.what()).find("(column \"country\")"), std::string::npos)
            << e.what();
    }
    // A value only the server refuses (a limit changed since the insert was prepared) is named too.
    db_->Execute("ALTER TABLE " + base_ + "_data ALTER COLUMN identd TYPE varchar(2)");
    row[2] = FieldValue::Text("ZZ");
    row[3] = FieldValue::Text("abc");  // identd, now of two characters, unknown to the insert
    db_->Begin();
    insert->Insert(row);
    try {
        db_->Commit();
        ADD_FAILURE() << "an over-long identd was stored";
    } catch (const DbError& e) {
        EXPECT_EQ(Sqlstate(e), "22001");
        EXPECT_NE(std::string(e.what()).find("(column \"identd\")"), std::string::npos) << e.what();
    }
}

// Inside a transaction a failing row is not stored, the rows before it are, and the
// transaction goes on.
TEST_F(PostgresTargetTest, FailingRowInTransactionKeepsTheRowsBeforeIt) {
    auto insert = db_->PrepareInsert(base_ + "_data", kRowColumns);
    db_->Begin();
    insert->Insert(TargetRow(1, "1.1.1.1"));
    insert->Insert(TargetRow(2, "2.2.2.2"));
    auto bad = TargetRow(3, "3.3.3.3");
    bad[2] = FieldValue::Null();  // Country is NOT NULL
    try {
        insert->Insert(bad);
        ADD_FAILURE() << "a row without country was stored";
    } catch (const DbError& e) {
        EXPECT_EQ(Sqlstate(e), "23502");
        EXPECT_EQ(db_->CodeMessage(e.Code()), "23502 not_null_violation");
    }
    insert->Insert(TargetRow(4, "4.4.4.4"));
    db_->Commit();
    const auto result = db_->Query("Select id From [" + base_ + "_data] Order By id");
    ASSERT_EQ(result.rows.Rows(), 3u);
    EXPECT_EQ(result.rows.At(0, 0).AsInteger(), 1);
    EXPECT_EQ(result.rows.At(1, 0).AsInteger(), 2);
    EXPECT_EQ(result.rows.At(2, 0).AsInteger(), 4);
}

TEST_F(PostgresTargetTest, QueriesReturnTypedValuesAndNullsSortFirst) {
    auto max = db_->Query("Select\n  Max([" + base_ + "_data].id) As BiggestID\nFrom\n  [" + base_ +
                          "_data]");
    ASSERT_EQ(max.rows.Rows(), 1u);
    EXPECT_TRUE(max.rows.At(0, 0).IsNull());
    EXPECT_EQ(max.columns[0], "biggestid");

    auto insert = db_->PrepareInsert(
        base_ + "_data", {"id", "IP", "Country", "identd", "UserID", "DateTimeTxt", "Request",
                          "Status", "Bytes", "DateTimeValue"});
    auto row = TargetRow(1, "1.1.1.1");
    row.push_back(FieldValue::Date(DateTime::FromCalendar({2000, 10, 10, 13, 55, 36})));
    insert->Insert(row);
    row = TargetRow(2, "1.1.1.1");
    row.push_back(FieldValue::Null());
    insert->Insert(row);

    const auto rows = db_->Query("Select [" + base_ + "_data].id, [" + base_ +
                                 "_data].DateTimeValue, Status From [" + base_ +
                                 "_data] Order By [" + base_ + "_data].DateTimeValue");
    ASSERT_EQ(rows.rows.Rows(), 2u);
    EXPECT_EQ(rows.rows.At(0, 0).AsInteger(), 2);
    EXPECT_TRUE(rows.rows.At(0, 1).IsNull());
    EXPECT_EQ(rows.rows.At(1, 1).AsDateTime(), DateTime::FromCalendar({2000, 10, 10, 13, 55, 36}));
    EXPECT_EQ(rows.rows.At(1, 2).GetKind(), FieldValue::Kind::Int16);

    max = db_->Query("Select Max([" + base_ + "_data].id) As BiggestID From [" + base_ + "_data]");
    EXPECT_EQ(max.rows.At(0, 0).AsInteger(), 2);
}

TEST_F(PostgresTargetTest, RowsOfOneTableCanBeUpdatedByKeyMoreThanOnce) {
    auto insert = db_->PrepareInsert(base_ + "_data", kRowColumns);
    insert->Insert(TargetRow(1, "1.1.1.1"));
    insert->Insert(TargetRow(2, "2.2.2.2"));

    auto rows = db_->Query("Select *\nFrom\n  [" + base_ + "_data]\nWhere\n  [" + base_ +
                           "_data].IsSpider Is Null");
    ASSERT_EQ(rows.keys.size(), 2u);
    EXPECT_EQ(rows.columns.size(), 20u);
    auto update = db_->PrepareUpdate(rows.keyTable, {"IsSpider"});
    db_->Begin();
    RowKey key = update->Update(rows.keys[0], std::vector{FieldValue::Text("S")});
    key = update->Update(key, std::vector{FieldValue::Text("R")});
    EXPECT_THROW(update->Update(rows.keys[0], std::vector{FieldValue::Text("X")}), DbError);
    db_->Commit();

    const auto marked = db_->Query("Select IsSpider From [" + base_ + "_data] Order By IsSpider");
    ASSERT_EQ(marked.rows.Rows(), 2u);
    EXPECT_TRUE(marked.rows.At(0, 0).IsNull());
    EXPECT_EQ(marked.rows.At(1, 0).AsText(), "R");

    // Grouped and aggregated rows have no keys.
    EXPECT_TRUE(db_->Query("Select IP From [" + base_ + "_data] Group By IP").keys.empty());
}

TEST_F(PostgresTargetTest, SelfJoiningUpdateMarksEveryRowOfRobotsAddresses) {
    auto insert = db_->PrepareInsert(
        base_ + "_data", {"id", "IP", "Country", "identd", "UserID", "DateTimeTxt", "Request",
                          "Status", "Bytes", "FileName", "Extension", "IsSpider"});
    auto add = [&](int id, const std::string& ip, const std::string& file,
                   const std::string& extension, const std::string& spider) {
        auto row = TargetRow(id, ip);
        row.push_back(FieldValue::Text(file));
        row.push_back(FieldValue::Text(extension));
        row.push_back(spider.empty() ? FieldValue::Null() : FieldValue::Text(spider));
        insert->Insert(row);
    };
    add(1, "1.1.1.1", "index", "html", "");
    add(2, "1.1.1.1", "robots", "txt", "");
    add(3, "1.1.1.1", "page", "html", "S");
    add(4, "2.2.2.2", "robots", "html", "");
    add(5, "3.3.3.3", "robot", "txt", "");
    db_->Execute(
        Format("UPDATE %s_data INNER JOIN %s_data AS %s_data1 ON %s_data.IP = %s_data1.IP SET "
               "%s_data1.IsSpider = 'R'\nWHERE (((%s_data.FileName)='robots') AND "
               "((%s_data.Extension)='txt'));",
               base_));
    const auto rows = db_->Query("Select id, IsSpider From [" + base_ + "_data] Order By id");
    ASSERT_EQ(rows.rows.Rows(), 5u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rows.rows.At(i, 1).AsText(), "R") << i;
    EXPECT_TRUE(rows.rows.At(3, 1).IsNull());
    EXPECT_TRUE(rows.rows.At(4, 1).IsNull());
}

TEST_F(PostgresTargetTest, HostileNamesAndStatementsFailCleanly) {
    // The base_ name goes into the statements unquoted: these must fail, not run extra SQL.
    const std::vector<std::string> hostileNames = {
        "my table", "x'y", "x\"y", "x_data(id int); DROP TABLE " + base_ + "_data; --"};
    for (const auto& hostile : hostileNames) {
        EXPECT_THROW(db_->Execute(Format(kCreateTable, hostile)), DbError) << hostile;
        EXPECT_FALSE(db_->HasTable(hostile + "_data")) << hostile;
    }
    EXPECT_TRUE(db_->HasTable(base_ + "_data"));
    EXPECT_THROW(db_->Query("Select 1; Select 2"), DbError);
    EXPECT_THROW(db_->Execute("DELETE FROM " + base_ + "_data; DROP TABLE " + base_ + "_data"),
                 DbError);
    EXPECT_TRUE(db_->HasTable(base_ + "_data"));
    // Bracketed names may hold anything.
    EXPECT_FALSE(db_->HasTable("no such ]\"' table"));
    EXPECT_THROW(db_->Query("Select * From [no such \" table]"), DbError);
}

TEST_F(PostgresTargetTest, SeveralThreadsShareOneConnection) {
    auto insert = db_->PrepareInsert(base_ + "_data", kRowColumns);
    for (int i = 0; i < 40; ++i) insert->Insert(TargetRow(i, "10.0.0." + std::to_string(i % 8)));

    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t)
        workers.emplace_back([&, t] {
            db_->Execute("UPDATE  [" + base_ + "_data]\nSET [HostName]='host" + std::to_string(t) +
                         "'\nWHERE IP='10.0.0." + std::to_string(t) + "'\n");
        });
    for (auto& w : workers) w.join();
    const auto rows = db_->Query("Select IP, HostName From [" + base_ + "_data]");
    ASSERT_EQ(rows.rows.Rows(), 40u);
    for (std::size_t row = 0; row < rows.rows.Rows(); ++row)
        EXPECT_EQ(rows.rows.At(row, 1).AsText(), "host" + rows.rows.At(row, 0).AsText().substr(7));
}

}  // namespace

namespace {

// Appended rows travel in batches; a row the server refuses only when the batch arrives (here a
// duplicate key) is reported by the commit as if rows had gone one by one: the rows before it are
// stored, it and every row after it are not, and the refusal counts them.
// What ends a field or a row of COPY's text format, starts an escape there, or means NULL.
constexpr const char* kTextCopyBreakers = "tab\there\nnew line\r\nback\\slash \\N";

// Rows go as binary COPY data where their values have an exact binary form, and as text where
// not; both kinds may share a batch.
TEST_F(PostgresTargetTest, RowsInEitherCopyFormatKeepTheirValuesOrderAndRefusals) {
    const std::vector<CalendarTime> dates = {
        {100, 1, 1, 0, 0, 0},      {1899, 12, 30, 0, 0, 0},    {1900, 2, 28, 23, 59, 59},
        {1900, 3, 1, 0, 0, 1},     {1999, 12, 31, 23, 59, 59}, {2000, 1, 1, 0, 0, 0},
        {2000, 2, 29, 12, 0, 0},   {2024, 2, 29, 6, 7, 8},     {2100, 3, 1, 0, 0, 0},
        {9999, 12, 31, 23, 59, 59}};
    auto columns = kRowColumns;
    columns.push_back("DateTimeValue");
    auto insert = db_->PrepareInsert(base_ + "_data", columns);
    db_->Begin();
    for (std::size_t i = 0; i < dates.size(); ++i) {
        auto row = TargetRow(static_cast<int>(i + 1), "1.1.1.1");
        row.push_back(FieldValue::Date(DateTime::FromCalendar(dates[i])));
        // Values only the server can read: their rows go as text, between the others.
        if (i == 3) {
            row[7] = FieldValue::Text(" 7");
            row[6] = FieldValue::Text(kTextCopyBreakers);
        }
        if (i == 5) row.back() = FieldValue::Text("2000-01-01T00:00:00");
        insert->Insert(row);
    }
    db_->Commit();
    const auto result = db_->Query("Select id, Status, DateTimeValue, Request From [" + base_ +
                                   "_data] Order By id");
    ASSERT_EQ(result.rows.Rows(), dates.size());
    for (std::size_t i = 0; i < dates.size(); ++i) {
        EXPECT_EQ(result.rows.At(i, 0).AsInteger(), static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(result.rows.At(i, 2).AsDateTime(), DateTime::FromCalendar(dates[i])) << i;
    }
    EXPECT_EQ(result.rows.At(3, 1).AsInteger(), 7);
    EXPECT_EQ(result.rows.At(3, 3).AsText(), kTextCopyBreakers);

    // A text row the server refuses in the middle of binary ones is the refused row.
    db_->Begin();
    for (int id = 100; id < 110; ++id) {
        auto row = TargetRow(id, "1.1.1.1");
        row.push_back(FieldValue::Null());
        if (id == 104) row[8] = FieldValue::Text("many");
        insert->Insert(row);
    }
    try {
        db_->Commit();
        ADD_FAILURE() << "a row with a word for its size was committed";
    } catch (const DbError& e) {
        EXPECT_EQ(Sqlstate(e), "22P02");
        EXPECT_EQ(e.UnstoredRows(), 6u);
    }
    EXPECT_EQ(db_->Query("Select id From [" + base_ + "_data] Where id >= 100").rows.Rows(), 4u);
}

TEST_F(PostgresTargetTest, ARowRefusedInABatchEndsTheBatchThere) {
    db_->CreateIndex({base_ + "_data", base_ + "_Index", {"id"}, true, true});
    auto insert = db_->PrepareInsert(base_ + "_data", kRowColumns);
    db_->Begin();
    for (int id : {1, 2, 3, 2, 5, 3, 7}) insert->Insert(TargetRow(id, "1.1.1.1"));
    try {
        db_->Commit();
        ADD_FAILURE() << "duplicate ids were committed";
    } catch (const DbError& e) {
        EXPECT_EQ(Sqlstate(e), "23505");
        EXPECT_NE(std::string(e.what()).find("(id)=(2)"), std::string::npos) << e.what();
        EXPECT_EQ(e.UnstoredRows(), 4u);
    }
    // The connection goes on working, inside and outside transactions.
    db_->Begin();
    insert->Insert(TargetRow(8, "1.1.1.1"));
    db_->Commit();
    insert->Insert(TargetRow(9, "1.1.1.1"));
    EXPECT_THROW(insert->Insert(TargetRow(9, "1.1.1.1")), DbError);
    const auto rows = db_->Query("Select id From [" + base_ + "_data] Order By id");
    std::vector<std::int64_t> ids;
    for (std::size_t row = 0; row < rows.rows.Rows(); ++row)
        ids.push_back(rows.rows.At(row, 0).AsInteger());
    EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2, 3, 8, 9}));

    // In a long batch the refused row is found wherever it lies.
    for (int refused : {1000, 1400, 1599}) {
        db_->Execute("DELETE FROM " + base_ + "_data WHERE id >= 1000");
        db_->Begin();
        for (int id = 1000; id < 1600; ++id)
            insert->Insert(TargetRow(id == refused ? 9 : id, "1.1.1.1"));
        try {
            db_->Commit();
            ADD_FAILURE() << "a duplicate id was committed";
        } catch (const DbError& e) {
            EXPECT_EQ(e.UnstoredRows(), static_cast<std::uint64_t>(1600 - refused));
        }
        EXPECT_EQ(db_->Query("Select id From [" + base_ + "_data] Where id >= 1000").rows.Rows(),
                  static_cast<std::size_t>(refused - 1000));
    }
}

}  // namespace
