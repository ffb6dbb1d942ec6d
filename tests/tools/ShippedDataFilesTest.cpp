// The data files copied next to the programs, checked for what would silently spoil an export.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/AboutHelp.h"
#include "app/WindowServices.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/DataFiles.h"

namespace {

bool MarkedAsSpider(const CStringArrayPBEx& spiders, std::string_view agent) {
    for (const std::string& entry : spiders)
        if (agent.find(entry) != std::string_view::npos) return true;
    return false;
}

}  // namespace

TEST(SpiderList, MarksCrawlersButNotBrowsers) {
    CStringArrayPBEx spiders;
    ASSERT_TRUE(spiders.ReadTextFile(DataFilePath("Spiders.txt"), true));
    // An empty entry occurs in every user agent and would mark every row.
    for (const std::string& entry : spiders) ASSERT_FALSE(entry.empty());
    EXPECT_NE(spiders.Find("webmon "), CStringArrayPBEx::kNotFound);  // spaces are significant

    for (const char* crawler :
         {"Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
          "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
          "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
          "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
          "DuckDuckBot/1.1; (+http://duckduckgo.com/duckduckbot.html)",
          "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
          "Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)",
          "Wget/1.21.3", "curl/7.88.1"})
        EXPECT_TRUE(MarkedAsSpider(spiders, crawler)) << crawler;
    for (const char* browser :
         {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
          "Chrome/120.0.0.0 Safari/537.36",
          "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0",
          "Mozilla/5.0 (iPhone; CPU iPhone OS 17_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, "
          "like Gecko) Version/17.1 Mobile/15E148 Safari/604.1",
          "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
          "Chrome/120.0.6099.43 Mobile Safari/537.36",
          "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) "
          "Chrome/120.0.0.0 Safari/537.36 Edg/120.0.2210.61"})
        EXPECT_FALSE(MarkedAsSpider(spiders, browser)) << browser;
}

TEST(GeneratedCountryFile, NamesItsSourcesAndHasOnlySevenFieldRanges) {
    const std::string file = DataFilePath("IpToCountry.csv");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "not generated (tor-geoipdb missing)";
    CStringArrayPBEx lines, fields;
    ASSERT_TRUE(lines.ReadTextFile(file, true));
    ASSERT_FALSE(lines.IsEmpty());
    EXPECT_EQ(lines[0].rfind("#", 0), 0u);
    bool namesLicence = false;
    for (const std::string& line : lines) {
        if (line.rfind("#", 0) == 0) {
            namesLicence = namesLicence || line.find("CC BY-SA 4.0") != std::string::npos;
            continue;
        }
        fields.Split(line, ",");
        ASSERT_GE(fields.GetSize(), 7) << line;
        ASSERT_GE(fields[5].size(), 2u) << line;
        ASSERT_LE(fields[5].size(), 3u) << line;
    }
    EXPECT_TRUE(namesLicence);
}

// Help opens the page at the main dialog's topic; without the element the browser silently shows
// the page's start, or a later edit of the page could drop the topic unnoticed.
TEST(HelpPage, HasTheElementTheMainDialogsHelpContextOpensAt) {
    std::ifstream page(DataFilePath("kestrelport-gui.html"));
    ASSERT_TRUE(page) << DataFilePath("kestrelport-gui.html");
    std::stringstream text;
    text << page.rdbuf();
    EXPECT_NE(text.str().find("id=\"" + HelpTopicAnchor(kMainDialogHelpContext) + "\""),
              std::string::npos);
}
