#include <gtest/gtest.h>

#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/ErrorText.h"

namespace {

TEST(CodeMeaning, UsesTheDriverMessageThenTheDispatchRangeThenUnknown) {
    EXPECT_EQ(CodeMeaning(19), "constraint failed");  // SQLite's text for its code
    EXPECT_EQ(CodeMeaning(static_cast<std::int32_t>(0x80040E14u)), "IDispatch error #3092");
    EXPECT_EQ(CodeMeaning(static_cast<std::int32_t>(0x80040201u)), "IDispatch error #1");
    EXPECT_EQ(CodeMeaning(static_cast<std::int32_t>(0x800A0CC1u)), "Unknown error 0x800A0CC1");
    EXPECT_EQ(CodeMeaning(static_cast<std::int32_t>(0x80040200u)), "Unknown error 0x80040200");
    EXPECT_EQ(CodeMeaning(kErrorNoObject), "Invalid pointer");
}

TEST(RecordsetErrorText, HasTheFixedLayout) {
    EXPECT_EQ(RecordsetErrorText(static_cast<std::int32_t>(0x80040E14u), std::string("Src"),
                                 std::string("Bad thing")),
              "CADORecordset Error\n\tCode = 80040e14\n\tCode meaning = IDispatch error #3092\n"
              "\tSource = Src\n\tDescription = Bad thing\n");
    EXPECT_EQ(RecordsetErrorText(19, std::nullopt, std::nullopt),
              "CADORecordset Error\n\tCode = 00000013\n\tCode meaning = constraint failed\n"
              "\tSource = (null)\n\tDescription = (null)\n");
}

TEST(ConnectionString, ParsesKeysWithoutCaseAndQuotedValues) {
    const ConnectionString s = ConnectionString::Parse(
        " Provider = SQLite ; data source=\"C:\\a;b=c.db\";Password=\"say \"\"hi\"\"\";;Empty=");
    EXPECT_EQ(s.Value("PROVIDER"), "SQLite");
    EXPECT_EQ(s.Value("Data Source"), "C:\\a;b=c.db");
    EXPECT_EQ(s.Value("password"), "say \"hi\"");
    EXPECT_EQ(s.Find("Empty"), std::string());
    EXPECT_FALSE(s.Find("Missing"));
    EXPECT_EQ(ConnectionString::Parse("a=1;A=2").Value("a"), "2");  // the last one counts
    EXPECT_EQ(ConnectionString::Parse("Password=a=b").Value("Password"), "a=b");
}

TEST(ConnectionString, RejectsMalformedTexts) {
    for (const std::string text : {"", " ; ", "novalue", "a=1;b", "=x", "a=\"open", "a=\"x\" y"}) {
        try {
            ConnectionString::Parse(text);
            ADD_FAILURE() << text;
        } catch (const CADOException& e) {
            EXPECT_EQ(e.ErrorCode(), kErrorUnspecified);
        }
    }
}

}  // namespace
