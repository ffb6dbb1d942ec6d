// The PostgreSQL driver's pure translations: stored text form, statements, error codes.
#include <gtest/gtest.h>

#include <random>

#include "db/PostgresDialect.h"
#include "db/PostgresErrorCode.h"
#include "db/PostgresText.h"
#include "textfiles/Utf8.h"

namespace {

TEST(PostgresText, EveryByteStringRoundTripsAsValidUtf8WithoutZeroBytes) {
    std::vector<std::string> samples = {"", "plain ascii", "caf\xC3\xA9", "caf\xE9",
                                        std::string("a\0b", 3), std::string(1, '\0'),
                                        // starts with the escape mark, valid UTF-8
                                        "\xEE\x80\x80", "\xEE\x83\xBFz",
                                        // looks like the escaped form of something
                                        "\xEE\x81\xA3"
                                        "af\xC3\xA9",
                                        "\xC3\xA9\xEE\x80\x80", "\xED\xA0\x80 surrogate",
                                        "\xC0\xAF overlong", "\xF4\x90\x80\x80 too high"};
    for (int b = 0; b < 256; ++b) samples.push_back(std::string(1, static_cast<char>(b)));
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string s(random() % 12, '\0');
        for (char& c : s) c = static_cast<char>(random() % 256);
        samples.push_back(s);
    }
    for (const auto& bytes : samples) {
        const std::string stored = EncodePostgresText(bytes);
        EXPECT_TRUE(IsValidUtf8(stored)) << bytes;
        EXPECT_EQ(stored.find('\0'), std::string::npos) << bytes;
        EXPECT_EQ(DecodePostgresText(stored), bytes) << bytes;
    }
}

TEST(PostgresText, ReadableTextIsStoredAsItIsAndLatin1KeepsItsLength) {
    EXPECT_EQ(EncodePostgresText("GET /index.html"), "GET /index.html");
    EXPECT_EQ(EncodePostgresText("caf\xC3\xA9"), "caf\xC3\xA9");
    // One character per byte: "caf\xE9" is four characters, the first marking the escape.
    EXPECT_EQ(EncodePostgresText("caf\xE9"),
              "\xEE\x81\xA3"
              "af\xC3\xA9");
    // A text the server holds that merely starts like an escaped one is read as it is.
    EXPECT_EQ(DecodePostgresText("\xEE\x81\xA3\xE2\x82\xAC"), "\xEE\x81\xA3\xE2\x82\xAC");
}

TEST(PostgresDialect, NamesFoldToLowerCaseAndAreQuotedOnlyWhenNeeded) {
    EXPECT_EQ(PostgresIdentifier("WebLog_data"), "weblog_data");
    EXPECT_EQ(PostgresIdentifier("my table"), "\"my table\"");
    EXPECT_EQ(PostgresIdentifier("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(PostgresIdentifier("1st"), "\"1st\"");
    EXPECT_EQ(TranslateStatement("Select\n  Max([W_data].id) As BiggestID\nFrom\n  [W_data]"),
              "Select\n  Max(w_data.id) As BiggestID\nFrom\n  w_data");
    EXPECT_EQ(TranslateStatement("Select * From [odd ]name]"), "Select * From \"odd \"name]");
}

TEST(PostgresDialect, TypesLiteralsAndNullOrder) {
    // Text columns sort by bytes; a bracketed name is never taken for a type.
    // The program's own tables leave room on each page for the passes' changes.
    EXPECT_EQ(TranslateStatement("CREATE TABLE t(\n\tDateTimeValue datetime,\n\tx text)"),
              "CREATE TABLE t(\n\tDateTimeValue timestamp,\n\tx text COLLATE \"C\") WITH "
              "(fillfactor = 70)");
    EXPECT_EQ(TranslateStatement("create table t([text] varchar (3) NOT NULL, [datetime] int)"),
              "create table t(text varchar (3) COLLATE \"C\" NOT NULL, datetime int) WITH "
              "(fillfactor = 70)");
    EXPECT_EQ(TranslateStatement("CREATE TABLE t(x int) PARTITION BY RANGE (x)"),
              "CREATE TABLE t(x int) PARTITION BY RANGE (x)");
    EXPECT_EQ(TranslateStatement("Select text From t"), "Select text From t");
    // A hex literal, the program's way to write a 0x00 byte, becomes the literal of its bytes.
    EXPECT_EQ(TranslateStatement("Select CAST(X'410042' AS TEXT)"),
              "Select CAST('\xEE\x81\x81\xEE\x80\x80"
              "B' AS TEXT)");
    EXPECT_EQ(TranslateStatement("Select X'4'"), "Select X'4'");
    // Words inside literals stay, quotes and backslashes survive, bytes are re-encoded.
    EXPECT_EQ(TranslateStatement("SET [HostName]='datetime''s \\ [x]' WHERE IP='\xE9'"),
              "SET hostname='datetime''s \\ [x]' WHERE IP='\xEE\x83\xA9'");
    EXPECT_EQ(TranslateStatement("Select a From t Order By\n  [t].IP,\n  [t].DateTimeValue"),
              "Select a From t Order By\n  t.IP NULLS FIRST,\n  t.DateTimeValue NULLS FIRST");
    EXPECT_EQ(TranslateStatement("Select a From t Order By a DESC, f(b, c) asc LIMIT 3"),
              "Select a From t Order By a DESC NULLS LAST, f(b, c) asc NULLS FIRST LIMIT 3");
    EXPECT_EQ(TranslateStatement("Select a From t Order By a NULLS LAST;"),
              "Select a From t Order By a NULLS LAST;");
    EXPECT_EQ(TranslateStatement("Select x From (Select a From t Order By a) s"),
              "Select x From (Select a From t Order By a NULLS FIRST) s");
}

TEST(PostgresDialect, JoinedUpdateAsksTheOtherSideWithExists) {
    // A join would pair each row with every matching row: the square of an address's rows.
    EXPECT_EQ(TranslateStatement("UPDATE W_data INNER JOIN W_data AS W_data1 ON W_data.IP = "
                                 "W_data1.IP SET W_data1.IsSpider = 'R'\nWHERE "
                                 "(((W_data.FileName)='robots') AND ((W_data.Extension)='txt'));"),
              "UPDATE W_data AS W_data1 SET IsSpider = 'R' WHERE EXISTS (SELECT 1 FROM W_data "
              "WHERE (W_data.IP = W_data1.IP) AND ((((W_data.FileName)='robots') AND "
              "((W_data.Extension)='txt')))) AND W_data1.IsSpider IS DISTINCT FROM 'R'");
    // The other side updated: the first table is the target. A value taken from the other side
    // needs the join.
    EXPECT_EQ(TranslateStatement("update a inner join b as c on a.k = c.k set a.x = 1 where "
                                 "c.z = 1"),
              "UPDATE a SET x = 1 WHERE EXISTS (SELECT 1 FROM b AS c WHERE (a.k = c.k) AND "
              "(c.z = 1))");
    EXPECT_EQ(TranslateStatement("update a inner join b as c on a.k = c.k set a.x = c.y where "
                                 "c.z = 1"),
              "UPDATE a SET x = c.y FROM b AS c WHERE (a.k = c.k) AND (c.z = 1)");
    // Other UPDATEs are left alone.
    EXPECT_EQ(TranslateStatement("UPDATE  [W_data]\nSET [HostName]='h'\nWHERE IP='1'\n"),
              "UPDATE  w_data\nSET hostname='h'\nWHERE IP='1'\n");
}

TEST(PostgresErrorCode, SqlStatesPackIntoTaggedCodesAndBack) {
    EXPECT_EQ(static_cast<std::uint32_t>(*PackSqlState("23502")),
              0xC0000000u | 2u << 24 | 3u << 18 | 5u << 12 | 0u << 6 | 2u);
    for (const char* state : {"00000", "23505", "42P01", "XX000", "ZZZZZ", "3D000"}) {
        const auto code = PackSqlState(state);
        ASSERT_TRUE(code) << state;
        EXPECT_LT(*code, 0) << state;
        EXPECT_EQ(UnpackSqlState(*code), state);
    }
    for (const char* bad : {"2350", "235021", "23a02", "23-02"})
        EXPECT_FALSE(PackSqlState(bad)) << bad;
    // Platform-style codes are no SQLSTATEs.
    EXPECT_FALSE(UnpackSqlState(static_cast<std::int32_t>(0x80040E14u)));
    EXPECT_FALSE(UnpackSqlState(0));
}

TEST(PostgresErrorCode, MeaningNamesTheConditionOrItsClass) {
    EXPECT_EQ(PostgresCodeMeaning(*PackSqlState("23502")), "23502 not_null_violation");
    EXPECT_EQ(PostgresCodeMeaning(*PackSqlState("28P01")), "28P01 invalid_password");
    // A name used twice in one statement is no syntax error, whatever its class says.
    EXPECT_EQ(PostgresCodeMeaning(*PackSqlState("42712")), "42712 duplicate_alias");
    EXPECT_EQ(PostgresCodeMeaning(*PackSqlState("22P05")), "22P05 data_exception");
    EXPECT_EQ(PostgresCodeMeaning(*PackSqlState("QQ001")), "QQ001");
    EXPECT_FALSE(PostgresCodeMeaning(static_cast<std::int32_t>(0x800A0CC1u)));
}

}  // namespace
