#include <gtest/gtest.h>

#include <random>

#include "passes/PassTable.h"
#include "passes/SpiderMarking.h"
#include "passes/SubstringMatcher.h"
#include "support/RecordingChannel.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

bool NaiveOccurs(const std::vector<std::string>& patterns, const std::string& text) {
    for (const std::string& pattern : patterns) {
        if (text.find(pattern) != std::string::npos) return true;
    }
    return false;
}

TEST(SubstringMatcherTest, AgreesWithAPlainSearchOnOverlappingPatterns) {
    // A small alphabet makes patterns overlap and share prefixes and suffixes, which is where
    // failure links go wrong.
    std::mt19937 random(7);
    auto randomText = [&](std::size_t maxLength) {
        std::string text(random() % (maxLength + 1), ' ');
        for (char& c : text) c = "abc\xff"[random() % 4];
        return text;
    };
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> patterns;
        const int count = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i) {
            std::string pattern = randomText(5);
            if (!pattern.empty()) patterns.push_back(pattern);
        }
        const SubstringMatcher matcher(patterns);
        for (int probe = 0; probe < 50; ++probe) {
            const std::string text = randomText(12);
            ASSERT_EQ(matcher.OccursIn(text), NaiveOccurs(patterns, text))
                << "text '" << text << "', first pattern '" << patterns.front() << "'";
        }
    }
}

TEST(SubstringMatcherTest, EdgeCases) {
    EXPECT_FALSE(SubstringMatcher({}).OccursIn("Googlebot"));
    EXPECT_TRUE(SubstringMatcher({"x", ""}).OccursIn("")) << "an empty entry occurs everywhere";
    EXPECT_TRUE(SubstringMatcher({"abcd", "bc"}).OccursIn("xabcx")) << "inner pattern";
    EXPECT_FALSE(SubstringMatcher({"bot"}).OccursIn("BOT"));
    std::string zero("a\0b", 3);
    EXPECT_TRUE(SubstringMatcher({zero}).OccursIn("xx" + zero));
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
    EXPECT_TRUE(SubstringMatcher({everyByte}).OccursIn("." + everyByte));
}

class SpiderMarkingTest : public ::testing::TestWithParam<Driver> {
  protected:
    TempDir dir;
    RecordingChannel channel;
};

TEST_P(SpiderMarkingTest, RobotsMarksEveryHitOfTheAddressThenAgentsAreMatchedCaseSensitively) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({
        {.ip = "10.0.0.1", .agent = "mybot/1.0", .isSpider = "S"},  // an earlier run's mark
        {.ip = "10.0.0.1", .agent = "Mozilla", .fileName = "robots", .extension = "txt"},
        {.ip = "10.0.0.1", .agent = "Mozilla"},
        {.ip = "10.0.0.2", .agent = "mybot/1.0"},
        {.ip = "10.0.0.2", .agent = "MYBOT/1.0"},
        {.ip = "10.0.0.3", .agent = ""},
        {.ip = "10.0.0.4", .agent = "Mozilla", .fileName = "robots", .extension = "html"},
        {.ip = "10.0.0.5", .agent = "Mozilla"},
    });
    MarkSpiders(channel, table->db, table->Base(), CStringArrayPBEx{"crawler", "bot"});

    EXPECT_EQ(table->Column("IsSpider"),
              (std::vector<std::string>{"R", "R", "R", "S", "NULL", "NULL", "NULL", "NULL"}));
    EXPECT_TRUE(channel.messages.empty());
    EXPECT_EQ(channel.statusTexts, std::vector<std::string>{"Updating IsSpider field..."});
    EXPECT_FALSE(channel.progressVisible);
    EXPECT_FALSE(channel.statusVisible);
    EXPECT_EQ(channel.pumps, 4)
        << "one step per distinct agent of the five rows left unmarked by the robots rule";
}

TEST_P(SpiderMarkingTest, EmptyEntryMarksEveryUnmarkedRowAndEmptyListMarksNone) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({{.ip = "1.1.1.1", .agent = "Mozilla"},
                {.ip = "1.1.1.2", .agent = ""},
                {.ip = "1.1.1.3", .agent = "x", .isSpider = "R"}});

    MarkSpiders(channel, table->db, table->Base(), CStringArrayPBEx{});
    EXPECT_EQ(table->Column("IsSpider"), (std::vector<std::string>{"NULL", "NULL", "R"}));
    EXPECT_EQ(channel.pumps, 2) << "an empty list still walks the agents of the unmarked rows";

    MarkSpiders(channel, table->db, table->Base(), CStringArrayPBEx{"nothing", ""});
    EXPECT_EQ(table->Column("IsSpider"), (std::vector<std::string>{"S", "S", "R"}));
    EXPECT_TRUE(channel.messages.empty());
}

// The matched agents go back to the server to be compared with the stored ones; each must meet
// exactly the rows it was read from. The last four agents are ones that a faulty round trip
// could turn into matched ones.
TEST_P(SpiderMarkingTest, AgentsAreMarkedByTheirExactBytes) {
    KP_PASS_TABLE(table, GetParam(), dir);
    const std::string zeroBot("a\0bot", 5);
    table->Add({
        {.ip = "1.1.1.1", .agent = "O'Reilly bot"},
        {.ip = "1.1.1.2", .agent = zeroBot},
        {.ip = "1.1.1.3", .agent = zeroBot},
        {.ip = "1.1.1.4", .agent = "\xff"},
        {.ip = "1.1.1.5", .agent = "a\\\\b"},
        {.ip = "1.1.1.6", .agent = "a"},             // the agent cut at its zero byte
        {.ip = "1.1.1.7", .agent = "\xc3\xbf"},      // 0xff read as Latin-1, in UTF-8
        {.ip = "1.1.1.8", .agent = "\xee\x83\xbf"},  // U+E0FF, how PostgreSQL holds a first 0xff
        {.ip = "1.1.1.9", .agent = "a\\b"},          // the doubled backslash taken as an escape
    });
    MarkSpiders(channel, table->db, table->Base(), CStringArrayPBEx{"bot", "\xff", "\\\\"});

    EXPECT_EQ(table->Column("IsSpider"),
              (std::vector<std::string>{"S", "S", "S", "S", "S", "NULL", "NULL", "NULL", "NULL"}));
    EXPECT_TRUE(channel.messages.empty());
}

// An earlier run that failed may leave its agents on the connection; they must not mark rows of
// this one. Its table is reached by a bare name, which must never reach a table of the database.
TEST_P(SpiderMarkingTest, AgentsLeftOnTheConnectionAreIgnoredAndTheDatabaseTableOfTheirNameKept) {
    KP_PASS_TABLE(table, GetParam(), dir);
    auto execute = [&](const std::string& sql) { CADOCommand(table->db, sql).Execute(); };
    // The PostgreSQL test server is shared by test programs that run at the same time.
    const bool ownDatabase = GetParam() == Driver::Sqlite;
    if (ownDatabase) {
        execute("CREATE TABLE kp_spider_agents (UserAgent text)");
        execute("INSERT INTO kp_spider_agents (UserAgent) VALUES ('kept')");
    }
    execute("CREATE TEMP TABLE kp_spider_agents (UserAgent text)");
    execute("INSERT INTO kp_spider_agents (UserAgent) VALUES ('Mozilla')");
    table->Add({{.ip = "1.1.1.1", .agent = "Mozilla"}, {.ip = "1.1.1.2", .agent = "mybot"}});

    MarkSpiders(channel, table->db, table->Base(), CStringArrayPBEx{"bot"});
    EXPECT_EQ(table->Column("IsSpider"), (std::vector<std::string>{"NULL", "S"}));

    table->Add({{.ip = "1.1.1.3", .agent = "otherbot"}});
    MarkSpiders(channel, table->db, table->Base(), CStringArrayPBEx{"bot"});
    EXPECT_EQ(table->Column("IsSpider"), (std::vector<std::string>{"NULL", "S", "S"}));
    EXPECT_TRUE(channel.messages.empty());

    if (ownDatabase) {
        CADORecordset kept(table->db);
        kept.Open("Select UserAgent From kp_spider_agents");
        ASSERT_EQ(kept.RecordCount(), 1);
        std::string agent;
        kept.ReadFieldText("UserAgent", agent);
        EXPECT_EQ(agent, "kept");
    }
}

TEST_P(SpiderMarkingTest, MissingTableIsReportedAndHidesTheProgress) {
    KP_PASS_TABLE(table, GetParam(), dir);
    MarkSpiders(channel, table->db, table->Base() + "Gone", CStringArrayPBEx{"bot"});
    ASSERT_EQ(channel.messages.size(), 1u);
    EXPECT_EQ(channel.messages[0].rfind("SQL Error in Spiders Update:\r\n", 0), 0u);
    EXPECT_GT(channel.messages[0].size(), std::string("SQL Error in Spiders Update:\r\n").size());
    EXPECT_FALSE(channel.progressVisible);
    EXPECT_FALSE(channel.statusVisible);
}

INSTANTIATE_TEST_SUITE_P(Drivers, SpiderMarkingTest,
                         ::testing::Values(Driver::Sqlite, Driver::Postgres), DriverName);

}  // namespace
