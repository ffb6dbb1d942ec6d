#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/RecordingMessages.h"
#include "support/TestSupport.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/LineCounter.h"
#include "textfiles/ReadLogFile.h"
#include "textfiles/SpillingLineList.h"

namespace {

using V = std::vector<std::string>;
using namespace std::string_literals;

// Texts made of the bytes that decide where lines end, plus data bytes, cut into pieces of
// random sizes: the count must be the collector's for every text and every cut.
TEST(LineCounter, CountsWhatTheCollectorCutsHoweverTheBytesArrive) {
    std::mt19937 random(7);
    const std::string alphabet = "\r\n\r\nab\x1a"s + '\0';
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 12, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        std::vector<std::string> lines;
        LineCollector collector(lines, LineCollector::CarriageReturn::Kept,
                                CStringArrayPBEx::LoneCr::EndsLine);
        LineCounter counter;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t piece = std::min<std::size_t>(1 + random() % 4, text.size() - at);
            collector.Append(std::string_view(text).substr(at, piece));
            counter.Append(std::string_view(text).substr(at, piece));
            at += piece;
        }
        collector.Finish();
        ASSERT_EQ(counter.Finish(), static_cast<std::int64_t>(lines.size()))
            << testing::PrintToString(text);
    }
}

std::string NumberedLog(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

V Drain(LineSource& source, std::size_t batch) {
    V all;
    std::vector<std::string> lines;
    for (source.NextLines(lines, batch); !lines.empty(); source.NextLines(lines, batch))
        all.insert(all.end(), lines.begin(), lines.end());
    return all;
}

// Several read blocks' worth, so that the lines a batch takes cross the blocks read.
TEST(LogFileLineSource, HandsOverEveryLineOnceInBatchesOfAnyLength) {
    TempDir dir;
    const std::string text = NumberedLog(300000);
    WriteBytes(dir.File("a.log"), text);
    WriteGzip(dir.File("a.log.gz"), text);
    for (const char* name : {"a.log", "a.log.gz"}) {
        RecordingMessages<> channel;
        auto source = OpenLogFile(dir.File(name), channel);
        ASSERT_TRUE(source) << name;
        EXPECT_EQ(source->TotalLines(), 300000) << name;
        const V lines = Drain(*source, 4096);
        ASSERT_EQ(lines.size(), 300000u) << name;
        EXPECT_EQ(lines.front(), "line 1");
        EXPECT_EQ(lines[4096], "line 4097");
        EXPECT_EQ(lines.back(), "line 300000");
    }
}

// A log that loses its end between the count and the second reading stops with a message
// that names the file, after the lines still there; lines added meanwhile are not taken.
TEST(LogFileLineSource, ALogChangedAfterItsCountIsReadOnlyAsFarAsItWasCounted) {
    TempDir dir;
    const std::string log = dir.File("access.log");
    WriteBytes(log, NumberedLog(3000));
    RecordingMessages<> channel;
    auto shrunk = OpenLogFile(log, channel);
    ASSERT_TRUE(shrunk);
    ASSERT_EQ(::truncate(log.c_str(), static_cast<off_t>(NumberedLog(1000).size())), 0);
    std::vector<std::string> lines;
    shrunk->NextLines(lines, 5000);
    EXPECT_EQ(lines.size(), 1000u);
    try {
        shrunk->NextLines(lines, 5000);
        FAIL() << "no failure";
    } catch (const LineSourceError& error) {
        EXPECT_NE(std::string(error.what()).find(log), std::string::npos) << error.what();
    }

    WriteBytes(log, NumberedLog(10));
    auto grown = OpenLogFile(log, channel);
    ASSERT_TRUE(grown);
    std::ofstream(log, std::ios::app) << "written after the count\n";
    const V lines10 = Drain(*grown, 7);
    ASSERT_EQ(lines10.size(), 10u);
    EXPECT_EQ(lines10.back(), "line 10");
}

TEST(SpillingLineList, KeepsEveryLineInOrderAcrossMemoryAndFile) {
    // A small limit; lines with every kind of byte, an empty one and one larger than the file's
    // write buffer.
    SpillingLineList list(100);
    V added;
    for (int i = 0; i < 5000; ++i) {
        std::string line = "Line " + std::to_string(i) + " \"a\r\x1a" + '\0' + "\"";
        if (i == 7) line.clear();
        if (i == 2500) line = std::string(200000, 'x');
        added.push_back(line);
        list.Add(line);
    }
    EXPECT_TRUE(list.IsSpilled());
    EXPECT_EQ(list.GetSize(), 5000);
    EXPECT_EQ(list.Items(), added);
    EXPECT_EQ(list.Items(), added) << "reading back must not use the lines up";
}

}  // namespace
