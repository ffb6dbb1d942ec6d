#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/CZipper.h"

namespace {

// Text that compresses well but not to nothing, so that it spans several read chunks.
std::string SampleText() {
    std::string text;
    for (int i = 0; i < 40000; ++i) text += "line " + std::to_string(i * 7919 % 100003) + "\n";
    return text;
}

std::string GzipBytes(const TempDir& dir, const std::string& content) {
    const std::string name = dir.File("member.gz");
    WriteGzip(name, content);
    return ReadBytes(name);
}

struct ReadResult {
    bool ok = false;
    std::string text;
    std::string error;
};

ReadResult ReadAllOf(const std::string& fileName) {
    CGZip gzip;
    EXPECT_TRUE(gzip.Open(fileName, CZipper::OpenMode::Read));
    std::unique_ptr<char[]> buffer;
    std::size_t length = 0;
    ReadResult result;
    result.ok = gzip.ReadAll(buffer, length);
    if (buffer) result.text.assign(buffer.get(), length);
    result.error = gzip.LastError();
    return result;
}

TEST(CGZip, OpenRefusesMissingFoldersWritingAndASecondOpen) {
    TempDir dir;
    WriteGzip(dir.File("a.gz"), "a\n");
    CGZip gzip;
    EXPECT_FALSE(gzip.Open(dir.File("missing.gz"), CZipper::OpenMode::Read));
    EXPECT_FALSE(gzip.Open(dir.Path().string(), CZipper::OpenMode::Read));
    EXPECT_FALSE(gzip.Open(dir.File("a.gz"), CZipper::OpenMode::Write));
    EXPECT_FALSE(gzip.IsOpen());
    ASSERT_TRUE(gzip.Open(dir.File("a.gz"), CZipper::OpenMode::Read));
    EXPECT_EQ(gzip.GetOpenMode(), CZipper::OpenMode::Read);
    EXPECT_FALSE(gzip.Open(dir.File("a.gz"), CZipper::OpenMode::Read));
    EXPECT_TRUE(gzip.Close());
    EXPECT_FALSE(gzip.IsOpen());
    EXPECT_EQ(gzip.GetOpenMode(), CZipper::OpenMode::Closed);
}

TEST(CGZip, ReadAllDeliversMembersInSequenceAndPlainTextAsItStands) {
    TempDir dir;
    const std::string text = SampleText();
    const std::string tail("tail\0end", 8);
    WriteBytes(dir.File("two.gz"), GzipBytes(dir, text) + GzipBytes(dir, tail));
    ReadResult two = ReadAllOf(dir.File("two.gz"));
    EXPECT_TRUE(two.ok);
    EXPECT_EQ(two.text, text + tail);

    WriteBytes(dir.File("plain.gz"), "not compressed\r\n");
    EXPECT_EQ(ReadAllOf(dir.File("plain.gz")).text, "not compressed\r\n");

    WriteBytes(dir.File("empty.gz"), "");
    EXPECT_FALSE(ReadAllOf(dir.File("empty.gz")).ok);
}

TEST(CGZip, DamagedDataIsAnErrorNotAShortText) {
    TempDir dir;
    const std::string whole = GzipBytes(dir, SampleText());

    WriteBytes(dir.File("cut.gz"), whole.substr(0, whole.size() / 2));
    ReadResult cut = ReadAllOf(dir.File("cut.gz"));
    EXPECT_FALSE(cut.ok);
    EXPECT_TRUE(cut.text.empty());
    EXPECT_EQ(cut.error, "unexpected end of file");

    std::string badCheck = whole;
    badCheck[badCheck.size() - 6] ^= 0x55;  // inside the CRC-32 of the trailer
    WriteBytes(dir.File("crc.gz"), badCheck);
    EXPECT_FALSE(ReadAllOf(dir.File("crc.gz")).ok);

    CGZip gzip;
    ASSERT_TRUE(gzip.Open(dir.File("cut.gz"), CZipper::OpenMode::Read));
    CStringArrayPBEx lines;
    EXPECT_FALSE(gzip.ReadLines(lines));
}

TEST(CGZip, ReadLinesCutsAtLineFeedsOnlyAcrossChunkEdges) {
    TempDir dir;
    // A first line of exactly one read block puts the next line feed at the start of a block.
    const std::string first(1 << 20, 'a');
    WriteGzip(dir.File("l.gz"), first + "\nb\r\n\nc");
    CGZip gzip;
    ASSERT_TRUE(gzip.Open(dir.File("l.gz"), CZipper::OpenMode::Read));
    CStringArrayPBEx lines;
    ASSERT_TRUE(gzip.ReadLines(lines));
    EXPECT_EQ(lines.Items(), (std::vector<std::string>{first, "b\r", "", "c"}));
}

}  // namespace
