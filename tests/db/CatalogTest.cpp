#include <gtest/gtest.h>

#include "SqliteTestDatabase.h"
#include "db/CADORecordset.h"
#include "db/CADOXCatalog.h"
#include "pipeline/TargetTable.h"

namespace {

std::vector<std::string> Strings(CADODatabase& db, const std::string& query) {
    CADORecordset rs(db);
    rs.Open(query);
    std::vector<std::string> values;
    for (; !rs.IsEof(); rs.MoveNext()) {
        std::string v;
        rs.ReadFieldText("v", v);
        values.push_back(v);
    }
    return values;
}

TEST(TableExists, AnswersFromTheTableListAndFalseForEveryFailure) {
    SqliteTestDatabase t;
    t.Run("CREATE TABLE WebLog_data(id int)");
    EXPECT_TRUE(TableExists(t.ConnectionString(), "WebLog_data"));
    EXPECT_TRUE(TableExists(t.ConnectionString(), "weblog_DATA"));  // SQLite ignores case
    EXPECT_FALSE(TableExists(t.ConnectionString(), "Other_data"));
    EXPECT_FALSE(TableExists("", "WebLog_data"));
    EXPECT_FALSE(TableExists("Provider=Nothing", "WebLog_data"));
    EXPECT_FALSE(
        TableExists("Provider=SQLite;Data Source=" + t.Dir().File("no/such/x.db"), "WebLog_data"));
}

TEST(TableExists, KeepsOnlyTheLastCatalogConnectionOpen) {
    SqliteTestDatabase a, b;
    TableExists(a.ConnectionString(), "x");
    std::shared_ptr<DbSession> first = CADOXCatalog::OpenCatalogConnection();
    ASSERT_TRUE(first);
    TableExists(b.ConnectionString(), "x");
    std::shared_ptr<DbSession> second = CADOXCatalog::OpenCatalogConnection();
    EXPECT_NE(first, second);
    EXPECT_EQ(first.use_count(), 1);  // only this test still holds the first one
    EXPECT_TRUE(second->IsOpen());
}

TEST(TargetTable, CreatesAllColumnsAndAUniqueIndexOnId) {
    SqliteTestDatabase t;
    t.CreateTargetTable("WebLog");
    EXPECT_TRUE(TableExists(t.ConnectionString(), "WebLog_data"));
    CADODatabase db = t.Open();
    EXPECT_EQ(Strings(db, "Select name As v From pragma_table_info('WebLog_data') Order By cid"),
              (std::vector<std::string>{
                  "id",       "SessionID",  "IP",          "HostName",      "Country",
                  "identd",   "UserID",     "DateTimeTxt", "DateTimeValue", "Request",
                  "FileName", "Extension",  "Status",      "Bytes",         "PageTimeSecs",
                  "Referrer", "SearchTerm", "ResultsPage", "UserAgent",     "IsSpider"}));
    EXPECT_EQ(Strings(db, "Select name As v From pragma_index_list('WebLog_data') Where [unique]"),
              (std::vector<std::string>{"WebLog_Index"}));
    EXPECT_EQ(Strings(db, "Select name As v From pragma_index_info('WebLog_Index')"),
              (std::vector<std::string>{"id"}));
    // The index is unique.
    const std::string row =
        "INSERT INTO WebLog_data(id, IP, Country, identd, UserID, DateTimeTxt, Request, Status, "
        "Bytes) VALUES (1, 'i', 'c', '-', '-', 't', 'r', 200, 5)";
    t.Run(row);
    EXPECT_THROW(t.Run(row), CADOException);
}

TEST(TargetTable, VarcharLimitsAreEnforcedAndNamedInTheMessage) {
    SqliteTestDatabase t;
    t.CreateTargetTable("W");
    const std::string head =
        "INSERT INTO W_data(id, IP, Country, identd, UserID, DateTimeTxt, Request, Status, Bytes, "
        "Extension) VALUES (1, 'i', 'c', '-', '-', 't', 'r', 200, 5, ";
    EXPECT_NO_THROW(t.Run(head + "'" + std::string(32, 'e') + "')"));
    try {
        t.Run(head + "'" + std::string(33, 'e') + "')");
        FAIL();
    } catch (const CADOException& e) {
        EXPECT_NE(e.ErrorText().find("Extension longer than 32"), std::string::npos)
            << e.ErrorText();
    }
    // Bytes count, so a 0x00 inside cannot hide the length.
    EXPECT_THROW(
        t.Run(head.substr(0, head.size()) + "CAST(X'00" + std::string(64, '6') + "' AS TEXT))"),
        CADOException);
}

TEST(SelfJoinUpdate, MarksEveryRowOfAnAddressThatAskedForRobotsTxt) {
    SqliteTestDatabase t;
    t.Run("CREATE TABLE L_data(IP text, FileName text, Extension text, IsSpider text)");
    t.Run(
        "INSERT INTO L_data VALUES ('1.1.1.1', 'robots', 'txt', NULL), "
        "('1.1.1.1', 'index', 'html', NULL), ('2.2.2.2', 'index', 'html', NULL), "
        "('3.3.3.3', 'robots', 'html', NULL), ('4.4.4.4', 'robots', 'txt', 'N'), "
        "('4.4.4.4', 'a', 'gif', 'R')");
    // Rows marked by an earlier export are left as they are, not written again.
    t.Run("CREATE TABLE rewritten(v text)");
    t.Run(
        "CREATE TRIGGER note AFTER UPDATE ON L_data BEGIN INSERT INTO rewritten VALUES "
        "(new.IP || new.FileName); END");
    const std::string base = "L";
    const std::string sql = "UPDATE " + base + "_data INNER JOIN " + base + "_data AS " + base +
                            "_data1 ON " + base + "_data.IP = " + base + "_data1.IP SET " + base +
                            "_data1.IsSpider = 'R'\nWHERE (((" + base +
                            "_data.FileName)='robots') AND ((" + base + "_data.Extension)='txt'));";
    CADODatabase db = t.Open();
    CADORecordset rs(db);
    EXPECT_FALSE(rs.Open(sql));
    EXPECT_EQ(Strings(db, "Select IP || ':' || Coalesce(IsSpider, '-') As v From L_data"),
              (std::vector<std::string>{"1.1.1.1:R", "1.1.1.1:R", "2.2.2.2:-", "3.3.3.3:-",
                                        "4.4.4.4:R", "4.4.4.4:R"}));
    EXPECT_EQ(Strings(db, "Select v From rewritten"),
              (std::vector<std::string>{"1.1.1.1robots", "1.1.1.1index", "4.4.4.4robots"}));
}

}  // namespace
