#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <numeric>

#include "support/RecordingMessages.h"
#include "support/TestSupport.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/CZipper.h"
#include "textfiles/ReadLogFile.h"

namespace {

using V = std::vector<std::string>;
using namespace std::string_literals;

struct LogRead {
    bool ok = false;
    V lines;
    RecordingMessages<> channel;
};

LogRead Read(const std::string& fileName) {
    LogRead read;
    CStringArrayPBEx lines;
    read.ok = ReadLogFile(fileName, lines, read.channel);
    read.lines = lines.Items();
    return read;
}

V GzipLines(const std::string& content) {
    TempDir dir;
    WriteGzip(dir.File("log.gz"), content);
    return Read(dir.File("log.gz")).lines;
}

V PlainLines(const std::string& content) {
    TempDir dir;
    WriteBytes(dir.File("access.log"), content);
    return Read(dir.File("access.log")).lines;
}

TEST(ReadLogFile, OnlyANameEndingInDotGzInAnyCaseIsGzip) {
    EXPECT_TRUE(IsGzipLogName("access.log.GZ"));
    EXPECT_TRUE(IsGzipLogName(".gz"));
    EXPECT_FALSE(IsGzipLogName("access.tgz"));
    EXPECT_FALSE(IsGzipLogName("gz"));
    EXPECT_FALSE(IsGzipLogName("access.gz.log"));
}

TEST(ReadLogFile, GzipKeepsCarriageReturnsPlainDropsThoseBeforeLineFeeds) {
    EXPECT_EQ(GzipLines("a\r\nb\r\n"), (V{"a\r", "b\r"}));
    EXPECT_EQ(PlainLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(GzipLines("a\n\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(GzipLines("a\nb\n"), (V{"a", "b"}));
}

// A log written with CR alone at each line's end must not become one line (and one row).
TEST(ReadLogFile, ACarriageReturnAloneEndsALineOfALog) {
    EXPECT_EQ(PlainLines("a\rb\rc"), (V{"a", "b", "c"}));
    EXPECT_EQ(PlainLines("a\rb\r\nc\r"), (V{"a", "b", "c"}));
    EXPECT_EQ(GzipLines("a\rb\r"), (V{"a", "b"}));
    EXPECT_EQ(GzipLines("a\rb\r\nc"), (V{"a", "b\r", "c"}));
    // A CR that ends one read of a MiB and the LF that starts the next are one line end.
    const std::string longLine((1 << 20) - 1, 'x');
    EXPECT_EQ(PlainLines(longLine + "\r\nb\r\n"), (V{longLine, "b"}));
    EXPECT_EQ(GzipLines(longLine + "\r\nb"), (V{longLine + "\r", "b"}));
    // Data files keep a CR inside a line as data.
    TempDir dir;
    WriteBytes(dir.File("Spiders.txt"), "bot\rx\n");
    CStringArrayPBEx spiders;
    ASSERT_TRUE(spiders.ReadTextFile(dir.File("Spiders.txt"), true));
    EXPECT_EQ(spiders.Items(), (V{"bot\rx"}));
}

TEST(ReadLogFile, NoByteEndsALogEarly) {
    const std::string content = "a\n\0b\x1a\n\x1a\0c\n"s;
    const V expected{"a", "\0b\x1a"s, "\x1a\0c"s};
    EXPECT_EQ(GzipLines(content), expected);
    EXPECT_EQ(PlainLines(content), expected);
}

TEST(ReadLogFile, PlainTextNamedGzIsReadUnchangedThroughTheGzipLayer) {
    TempDir dir;
    WriteBytes(dir.File("x.gz"), "one\r\ntwo\n");
    EXPECT_EQ(Read(dir.File("x.gz")).lines, (V{"one\r", "two"}));
}

TEST(ReadLogFile, EmptyLogsGiveNoLinesAndTheRunGoesOn) {
    TempDir dir;
    WriteBytes(dir.File("zero.gz"), "");
    WriteGzip(dir.File("nothing.gz"), "");
    WriteBytes(dir.File("empty.log"), "");
    for (const char* name : {"zero.gz", "nothing.gz", "empty.log"}) {
        LogRead read = Read(dir.File(name));
        EXPECT_TRUE(read.ok) << name;
        EXPECT_TRUE(read.lines.empty()) << name;
        EXPECT_TRUE(read.channel.messages.empty()) << name;
        EXPECT_EQ(read.channel.statusTexts, V{"Reading log file..."}) << name;
        EXPECT_TRUE(read.channel.statusVisible) << name;
    }
}

TEST(ReadLogFile, UnopenableLogsStopTheRunWithTheirMessage) {
    TempDir dir;
    LogRead gz = Read(dir.File("x.GZ"));
    EXPECT_FALSE(gz.ok);
    EXPECT_EQ(gz.channel.messages, V{"Could not open the .gz file!"});
    EXPECT_TRUE(gz.channel.statusTexts.empty());

    LogRead plain = Read(dir.File("x.log"));
    EXPECT_FALSE(plain.ok);
    EXPECT_EQ(plain.channel.messages, V{dir.File("x.log") + " was not found."});
    EXPECT_FALSE(plain.channel.statusVisible);

    std::filesystem::create_directory(dir.File("folder.gz"));
    std::filesystem::create_directory(dir.File("folder.log"));
    EXPECT_EQ(Read(dir.File("folder.gz")).channel.messages, V{"Could not open the .gz file!"});
    EXPECT_EQ(Read(dir.File("folder.log")).channel.messages,
              V{dir.File("folder.log") + " contains an incorrect path."});
}

TEST(ReadLogFile, DamagedGzipStopsTheRunAndLeavesTheListAlone) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "10.0.0." + std::to_string(i % 250) + " - - line\n";
    WriteGzip(dir.File("whole.gz"), text);
    const std::string whole = ReadBytes(dir.File("whole.gz"));
    WriteBytes(dir.File("cut.gz"), whole.substr(0, whole.size() - 100));
    std::string badCheck = whole;
    badCheck[badCheck.size() - 8] ^= 0x01;
    WriteBytes(dir.File("crc.gz"), badCheck);

    for (const char* name : {"cut.gz", "crc.gz"}) {
        CStringArrayPBEx lines{"untouched"};
        RecordingMessages<> channel;
        EXPECT_FALSE(ReadLogFile(dir.File(name), lines, channel)) << name;
        EXPECT_EQ(lines.Items(), V{"untouched"}) << name;
        ASSERT_EQ(channel.messages.size(), 1u) << name;
        const std::string prefix = "Could not decompress the .gz file " + dir.File(name) + ": ";
        EXPECT_EQ(channel.messages[0].substr(0, prefix.size()), prefix);
        EXPECT_GT(channel.messages[0].size(), prefix.size()) << "the reason is missing";
    }
}

// The real log from the shared data, read both ways; its facts were counted independently.
TEST(ReadLogFile, RealLogReadsAlikeCompressedAndPlain) {
    KP_REQUIRE_SHARED_LOGS();
    const std::string gzName = SharedLogPath("elastic-apache-2015.log.gz");
    LogRead gz = Read(gzName);
    ASSERT_TRUE(gz.ok);
    ASSERT_EQ(gz.lines.size(), 10000u);
    const std::size_t bytes =
        std::accumulate(gz.lines.begin(), gz.lines.end(), std::size_t{0},
                        [](std::size_t n, const std::string& line) { return n + line.size() + 1; });
    EXPECT_EQ(bytes, 2370789u);

    TempDir dir;
    CGZip gzip;
    ASSERT_TRUE(gzip.Open(gzName, CZipper::OpenMode::Read));
    std::unique_ptr<char[]> buffer;
    std::size_t length = 0;
    ASSERT_TRUE(gzip.ReadAll(buffer, length));
    WriteBytes(dir.File("elastic.log"), std::string(buffer.get(), length));
    EXPECT_EQ(Read(dir.File("elastic.log")).lines, gz.lines);
}

}  // namespace
