#include <gtest/gtest.h>

#include <climits>

#include "pipeline/SearchEngines.h"
#include "support/TestSupport.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/DataFiles.h"

namespace {

const SearchEngineList kExample{{"example.", "q", "start", 10}};

ReferrerAnalysis Analyse(std::string_view referrer, const SearchEngineList& engines = kExample) {
    return AnalyseReferrer(referrer, engines);
}

ReferrerAnalysis Expect(std::optional<std::string> term, std::optional<std::int16_t> page) {
    return {std::move(term), page};
}

}  // namespace

TEST(SearchEngineFile, ParsesDefinitionsAndPassesOverIncompleteLines) {
    CStringArrayPBEx lines{
        "match\ttermkey\tpagekey\tperpage", "google.\tq\tstart\t10", "", "lonely", "yandex.\ttext",
        "x.\tk\t\t 25 results\textra"};
    SearchEngineList engines = ParseSearchEngines(lines);
    ASSERT_EQ(engines.size(), 3u);
    EXPECT_EQ(engines[0].match, "google.");
    EXPECT_EQ(engines[0].pagekey, "start");
    EXPECT_EQ(engines[0].perpage, 10);
    EXPECT_EQ(engines[1].termkey, "text");
    EXPECT_EQ(engines[1].pagekey, "");
    EXPECT_EQ(engines[1].perpage, 0);
    EXPECT_EQ(engines[2].perpage, 25);
}

TEST(SearchEngineFile, LoadingReplacesTheListAndAMissingFileLeavesItEmpty) {
    TempDir dir;
    SearchEngineList engines = kExample;
    WriteBytes(dir.File("SearchEngines.tab"), "header\r\na.\tq\r\nb.\tp\tb\t10\r\n");
    LoadSearchEngines(engines, dir.File("SearchEngines.tab"));
    ASSERT_EQ(engines.size(), 2u);
    EXPECT_EQ(engines[1].perpage, 10);
    LoadSearchEngines(engines, dir.File("missing.tab"));
    EXPECT_TRUE(engines.empty());
}

TEST(ReferrerAnalysis, TakesPhraseAndPageByTheRules) {
    const std::string base = "http://www.example.com/search?";
    EXPECT_EQ(Analyse(base + "q=red+shoes&start=20"), Expect("red shoes", 2));
    EXPECT_EQ(Analyse(base + "q=red+shoes&start=25"), Expect("red shoes", 2));
    EXPECT_EQ(Analyse(base + "q=red+shoes"), Expect("red shoes", std::nullopt));
    EXPECT_EQ(Analyse(base + "q=red%20shoes"), Expect("red%20shoes", std::nullopt));
    EXPECT_EQ(Analyse(base + "q=first&q=second"), Expect("first", std::nullopt));
    EXPECT_EQ(Analyse(base + "Q=shoes"), Expect(std::nullopt, std::nullopt));
    EXPECT_EQ(Analyse(base + "q=&start=10"), Expect("", 1));  // empty phrase, stored as NULL
    EXPECT_EQ(Analyse(base + "q=a=b"), Expect("a", std::nullopt));
    EXPECT_EQ(Analyse(base + "q=" + std::string(300, 'x')), Expect(std::string(255, 'x'), {}));
    EXPECT_EQ(Analyse("http://www.other.com/?q=shoes"), Expect(std::nullopt, std::nullopt));
    // A key with no value behind it gives nothing, and the row is still analysed.
    EXPECT_EQ(Analyse(base + "start=10&q"), Expect(std::nullopt, std::nullopt));
    EXPECT_EQ(Analyse(base + "q=shoes&start"), Expect("shoes", std::nullopt));
}

TEST(ReferrerAnalysis, EmptyOrDashReferrerGetsNothingEvenFromACatchAllEngine) {
    const SearchEngineList catchAll{{"", "q", "", 0}};
    EXPECT_EQ(Analyse("", catchAll), Expect(std::nullopt, std::nullopt));
    EXPECT_EQ(Analyse("-", catchAll), Expect(std::nullopt, std::nullopt));
    EXPECT_EQ(Analyse("x?q=y", catchAll), Expect("y", std::nullopt));
}

TEST(ReferrerAnalysis, LaterMatchingEnginesReplaceEarlierValues) {
    const SearchEngineList engines{{"example.", "q", "start", 10}, {"www.", "p", "page", 1}};
    EXPECT_EQ(Analyse("http://www.example.com/?q=one&p=two&start=30&page=7", engines),
              Expect("two", 7));
    // A later engine without its page key leaves the earlier page in place.
    EXPECT_EQ(Analyse("http://www.example.com/?q=one&p=two&start=30", engines), Expect("two", 3));
    // A later engine without its phrase key changes nothing.
    EXPECT_EQ(Analyse("http://www.example.com/?q=one&page=7", engines), Expect("one", {}));
}

TEST(ReferrerAnalysis, PageArithmeticCannotTrap) {
    const std::string referrer = "http://www.example.com/?q=x&start=";
    // Without a page size there is no page: an earlier engine's stays.
    const SearchEngineList noPageSize{{"example.", "q", "start", 10}, {"www.", "q", "start", 0}};
    EXPECT_EQ(Analyse(referrer + "40", noPageSize), Expect("x", 4));
    const SearchEngineList minusOne{{"example.", "q", "start", -1}};
    EXPECT_EQ(Analyse(referrer + std::to_string(INT_MIN), minusOne), Expect("x", 0));
    EXPECT_EQ(Analyse(referrer + "-25", kExample), Expect("x", -2));  // truncates toward zero
    // The smallint keeps the low 16 bits: 700000 is 0x000AAE60.
    const SearchEngineList perOne{{"example.", "q", "start", 1}};
    EXPECT_EQ(Analyse(referrer + "700000", perOne), Expect("x", static_cast<std::int16_t>(0xAE60)));
    EXPECT_EQ(Analyse(referrer + "99999999999", perOne), Expect("x", -1));  // saturated INT_MAX
}

TEST(ReferrerAnalysis, ShippedDefinitionsReadRealReferrers) {
    SearchEngineList engines;
    LoadSearchEngines(engines);
    if (engines.empty()) GTEST_SKIP() << "SearchEngines.tab is not next to the tests";
    EXPECT_EQ(Analyse("http://www.google.com/search?q=rage+face&tbm=isch&start=20&sa=N", engines),
              Expect("rage face", 2));
    EXPECT_EQ(
        Analyse("http://images.yandex.ru/yandsearch?p=9&text=%D0%BB%D0%BE&img_url=x", engines),
        Expect("%D0%BB%D0%BE", 9));
    EXPECT_EQ(Analyse("http://www.baidu.com/s?ie=utf-8&bs=old&wd=logstash", engines),
              Expect("logstash", std::nullopt));
    EXPECT_EQ(Analyse("http://www.bing.com/search?q=site+google.com&first=21", engines),
              Expect("site google.com", 2));
    EXPECT_EQ(Analyse("http://r.duckduckgo.com/l/?kh=-1&uddg=http%3A%2F%2Fx%2F", engines),
              Expect(std::nullopt, std::nullopt));
    EXPECT_EQ(Analyse("https://www.google.com/", engines), Expect(std::nullopt, std::nullopt));
    for (const searchengine& e : engines) {
        EXPECT_FALSE(e.match.empty());
        EXPECT_FALSE(e.termkey.empty());
        EXPECT_TRUE(e.pagekey.empty() || e.perpage > 0) << e.match << " " << e.pagekey;
    }
}
