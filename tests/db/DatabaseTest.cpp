#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SqliteTestDatabase.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/DbError.h"

namespace {

// Opens and answers the exception, or fails the test when Open succeeds.
CADOException OpenFailure(const std::string& connectionString) {
    CADODatabase db;
    try {
        db.Open(connectionString);
    } catch (const CADOException& e) {
        EXPECT_FALSE(db.IsOpen());
        return e;
    }
    ADD_FAILURE() << "Open succeeded";
    return CADOException(0, "");
}

TEST(CADODatabase, OpensAndCreatesAMissingFileAndClosesAgain) {
    SqliteTestDatabase t;
    CADODatabase db;
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.Open(t.ConnectionString()));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_TRUE(std::filesystem::exists(t.FileName()));
    db.Close();
    EXPECT_FALSE(db.IsOpen());
    db.Close();  // closing twice is harmless
    // An empty string reopens with the stored one.
    EXPECT_TRUE(db.Open());
    EXPECT_TRUE(db.IsOpen());
}

TEST(CADODatabase, SecondOpenClosesTheFirstConnection) {
    SqliteTestDatabase a, b;
    CADODatabase db;
    db.Open(a.ConnectionString());
    std::shared_ptr<DbSession> first = db.GetConnection();
    db.Open(b.ConnectionString());
    EXPECT_FALSE(first->IsOpen());
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.GetConnectionString(), b.ConnectionString());
}

TEST(CADODatabase, BadConnectionStringsFailWithoutRepeatingTheString) {
    const std::string secret = "hunter2secret";
    TempDir dir;
    const std::string cases[] = {
        "",
        "   ;  ;",
        "garbage without equals " + secret,
        "Provider=Oracle;Password=" + secret,
        "Provider=SQLite Password=" + secret,  // forgotten ';' makes the provider unknown
        "Provider=SQLite;Password=" + secret,  // no Data Source
        "Provider=SQLite;Data Source=\"" + dir.File("x.db") + ";Password=" + secret,
        "Provider=SQLite;Data Source=" + dir.File("missing/folder/x.db") + ";Password=" + secret,
    };
    for (const std::string& text : cases) {
        const CADOException e = OpenFailure(text);
        EXPECT_FALSE(e.ErrorText().empty()) << text;
        EXPECT_EQ(e.ErrorText().find(secret), std::string::npos) << e.ErrorText();
        if (!text.empty()) {
            EXPECT_EQ(e.ErrorText().find(text), std::string::npos);
        }
    }
    EXPECT_NE(OpenFailure("").ErrorText().find("empty"), std::string::npos);
    EXPECT_NE(OpenFailure("Provider=Oracle").ErrorText().find("Provider"), std::string::npos);
    EXPECT_NE(OpenFailure(cases[7]).ErrorText().find("folder"), std::string::npos);
}

TEST(CADODatabase, FolderWithoutWritePermissionIsExplained) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
    TempDir dir;
    const std::string folder = dir.File("locked");
    ASSERT_EQ(mkdir(folder.c_str(), 0500), 0);
    const CADOException e = OpenFailure("Provider=SQLite;Data Source=" + folder + "/x.db");
    EXPECT_NE(e.ErrorText().find("permission"), std::string::npos) << e.ErrorText();
    chmod(folder.c_str(), 0700);
}

TEST(CADODatabase, AFileThatIsNoDatabaseFailsOnOpen) {
    TempDir dir;
    WriteBytes(dir.File("junk.db"), std::string(4096, 'x'));
    const CADOException e = OpenFailure("provider=sqlite;DATA SOURCE=" + dir.File("junk.db"));
    EXPECT_EQ(e.ErrorCode(), 26);  // SQLITE_NOTADB
}

TEST(CADOCommand, RunsStatementsAndReportsTheDriversDescription) {
    SqliteTestDatabase t;
    CADODatabase db = t.Open();
    CADOCommand create(db, "CREATE TABLE [T x](a int)");
    EXPECT_TRUE(create.Execute());
    // A statement that returns rows still succeeds.
    EXPECT_TRUE(CADOCommand(db, "SELECT * FROM [T x]").Execute());

    try {
        CADOCommand(db, "CREATE TABLE [T x](a int)").Execute();
        FAIL();
    } catch (const CADOException& e) {
        EXPECT_EQ(e.ErrorCode(), 1);  // SQLITE_ERROR
        EXPECT_EQ(e.ErrorText(), "table [T x] already exists");
    }
}

TEST(CADOCommand, RefusesASecondStatementAndRunsNothing) {
    SqliteTestDatabase t;
    CADODatabase db = t.Open();
    EXPECT_THROW(CADOCommand(db, "CREATE TABLE a(x int); DROP TABLE b").Execute(), CADOException);
    EXPECT_THROW(CADOCommand(db, "SELECT * FROM a").Execute(), CADOException);
    EXPECT_NO_THROW(CADOCommand(db, "CREATE TABLE a(x int);  \n").Execute());
}

TEST(CADOCommand, FailsOnAClosedDatabase) {
    CADODatabase db;
    try {
        CADOCommand(db, "SELECT 1").Execute();
        FAIL();
    } catch (const CADOException& e) {
        EXPECT_EQ(e.ErrorCode(), kErrorNoObject);
    }
}

}  // namespace
