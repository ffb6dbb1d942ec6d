#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pipeline/AnalysedLine.h"

namespace {

struct Lists {
    CStringArrayPBEx includeExtList{"html"};
    CStringArrayPBEx monthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    CountryRangeList countries;
    SearchEngineList engines{{"google.", "q", "start", 10}};
    LineAnalysisLists Get() const {
        return {"html", includeExtList, monthNames, countries, engines};
    }
    Lists() { countries.Assign({{0x0A000000u, 0x0A00FFFFu, "NZL"}}); }
};

// Every line different in each field the analysis reads, every seventh not kept, so that a line
// answered from the wrong batch or the wrong place in it cannot pass.
CStringArrayPBEx NumberedLines(int count) {
    CStringArrayPBEx lines;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        lines.Add("10." + std::to_string(i / 65536 % 2) + "." + std::to_string(i / 256 % 256) +
                  "." + std::to_string(i % 256) + " - - [" + std::to_string(i % 28 + 1) +
                  "/Mar/2024:10:" + std::to_string(i / 60 % 60) + ":" + std::to_string(i % 60) +
                  " +0000] \"GET /page" + n + (i % 7 == 0 ? ".png" : ".html") + " HTTP/1.1\" 200 " +
                  n + " \"http://www.google.com/search?q=word" + n +
                  "&start=" + std::to_string(i % 5 * 10) + "\" \"agent " + n + "\"");
    }
    return lines;
}

void ExpectSameAnalysis(const AnalysedLine& ahead, const AnalysedLine& direct, int line) {
    EXPECT_EQ(ahead.record, direct.record) << "line " << line;
    EXPECT_EQ(ahead.file, direct.file) << "line " << line;
    EXPECT_EQ(ahead.included, direct.included) << "line " << line;
    if (!direct.included) return;
    EXPECT_EQ(ahead.country, direct.country) << "line " << line;
    EXPECT_EQ(ahead.search, direct.search) << "line " << line;
    EXPECT_EQ(ahead.when, direct.when) << "line " << line;
}

TEST(LineAnalysisAhead, AnswersEveryLineAsItsOwnAnalysisAcrossBatchEdges) {
    const Lists lists;
    // Empty, one line, exactly one batch, one past it, and several batches with a partial last.
    for (const int count : {0, 1, 4096, 4097, 9000}) {
        const CStringArrayPBEx lines = NumberedLines(count);
        CStringArrayPBEx handedOver = lines;
        LineListSource source(handedOver);
        LineAnalysisAhead ahead(source, lists.Get());
        AnalysedLine direct;
        for (int i = 0; i < count; ++i) {
            AnalyseLine(lines[i], lists.Get(), direct);
            ExpectSameAnalysis(ahead.At(i), direct, i);
            EXPECT_EQ(ahead.Text(i), lines[i]);
            if (HasFailure()) return;
        }
    }
}

TEST(LineAnalysisAhead, AnalysesAKeptLineFully) {
    const Lists lists;
    AnalysedLine line;
    AnalyseLine(NumberedLines(2)[1], lists.Get(), line);
    EXPECT_TRUE(line.included);
    EXPECT_EQ(line.file, (RequestFile{"page1", "html"}));
    EXPECT_EQ(line.country, "NZL");
    EXPECT_EQ(line.search.searchTerm, "word1");
    EXPECT_EQ(line.search.resultsPage, 1);  // start=10 at 10 results a page
    EXPECT_TRUE(line.when.IsValid());
}

TEST(LineAnalysisAhead, StoppingEarlyWaitsForTheBatchInWork) {
    // The writer stops at a refused row with the next batch still being read and analysed; the
    // source must outlive that, which the destructor guarantees by waiting for it.
    const Lists lists;
    CStringArrayPBEx lines = NumberedLines(20000);
    auto source = std::make_unique<LineListSource>(lines);
    {
        LineAnalysisAhead ahead(*source, lists.Get());
        EXPECT_EQ(ahead.At(4096).file.FileName, "page4096");
    }
    source.reset();
}

}  // namespace
