#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/SettingsStore.h"
#include "support/TestSupport.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string path = dir.File("config/Quillmoor/Kestrelport.conf");
    SettingsStore store{path};
};

TEST_F(SettingsStoreTest, AbsentStoreAndAbsentKeysGiveTheDefaults) {
    EXPECT_EQ(store.ReadText("Settings", "TableBasis", "WebLog"), "WebLog");
    EXPECT_EQ(store.ReadText("Settings", "Source"), "");
    EXPECT_EQ(store.ReadInt("Settings", "ErrDlgSizetop", -1), -1);
    ASSERT_TRUE(store.WriteText("Settings", "Source", "a.log"));
    EXPECT_EQ(store.ReadInt("Settings", "Reset", 1), 1);
    EXPECT_EQ(store.ReadText("Other", "Source", "x"), "x");
}

TEST_F(SettingsStoreTest, TextsOfAnyBytesRoundTrip) {
    std::string everyByte;
    for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
    const std::string values[] = {
        "Provider=SQLite;Data Source=/tmp/a b.db",
        "# not a comment",
        "; not a comment either",
        "[Settings]",
        "  leading and trailing spaces  ",
        "\ttab first",
        "line one\r\nline two\nline three\r",
        "\"quoted\"",
        "\"",
        "ends with a backslash \\",
        "C:\\new\\table",
        "\\x41 is not an A",
        "",
        everyByte,
    };
    for (const std::string& value : values) {
        ASSERT_TRUE(store.WriteText("Settings", "ConnString", value));
        EXPECT_EQ(store.ReadText("Settings", "ConnString", "default"), value);
        EXPECT_EQ(SettingsStore(path).ReadText("Settings", "ConnString", "default"), value);
    }
}

TEST_F(SettingsStoreTest, KeysOfAnyTextRoundTripWithoutDisturbingEachOther) {
    const std::string keys[] = {
        "Last project folder", "a=b",        "#hash", ";semi", "[sec]", " spaced ",
        "back\\slash",         "line\nbreak"};
    for (std::size_t i = 0; i < std::size(keys); ++i)
        ASSERT_TRUE(store.WriteText("Settings", keys[i], "value " + std::to_string(i)));
    for (std::size_t i = 0; i < std::size(keys); ++i)
        EXPECT_EQ(store.ReadText("Settings", keys[i]), "value " + std::to_string(i)) << keys[i];
}

TEST_F(SettingsStoreTest, IntegersRoundTripAndMalformedOnesGiveTheDefault) {
    for (int value : {0, 1, -1, 5, 2147483647, -2147483647 - 1}) {
        ASSERT_TRUE(store.WriteInt("Settings", "ErrDlgSizeleft", value));
        EXPECT_EQ(store.ReadInt("Settings", "ErrDlgSizeleft", 99), value);
    }
    for (const char* text : {"", "abc", "12abc", "99999999999", "1.5"}) {
        ASSERT_TRUE(store.WriteText("Settings", "Reset", text));
        EXPECT_EQ(store.ReadInt("Settings", "Reset", 7), 7) << text;
    }
}

TEST_F(SettingsStoreTest, RewritingKeepsOtherSectionsKeysAndComments) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteBytes(path,
               "# kept comment\r\n[Other]\r\nSource=elsewhere\r\n\r\n[Settings]\r\n"
               "source = spaced.log \r\nAutoDNS=1\r\n");
    EXPECT_EQ(store.ReadText("Settings", "Source"), "spaced.log");
    ASSERT_TRUE(store.WriteText("SETTINGS", "Source", "new.log"));
    ASSERT_TRUE(store.WriteInt("Settings", "Reset", 0));

    EXPECT_EQ(store.ReadText("Settings", "Source"), "new.log");
    EXPECT_EQ(store.ReadText("Other", "Source"), "elsewhere");
    EXPECT_EQ(store.ReadInt("Settings", "AutoDNS", 0), 1);
    EXPECT_EQ(store.ReadInt("Settings", "Reset", 1), 0);
    std::string text = ReadBytes(path);
    EXPECT_NE(text.find("# kept comment"), std::string::npos);
    // A new key joins its section rather than starting a second one.
    EXPECT_EQ(text.find("[Settings]"), text.rfind("[Settings]"));
}

TEST_F(SettingsStoreTest, RewritingLeavesOtherLinesByteForByte) {
    // A hand-edited CR LF file whose value ends in a CR of its own: each write of another
    // setting used to cut one more CR off it.
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string before = "[Other]\r\nSource=a.log\r\r\n[Settings]\r\nAutoDNS=1\r\n";
    WriteBytes(path, before);
    ASSERT_EQ(store.ReadText("Other", "Source"), "a.log\r");
    ASSERT_TRUE(store.WriteText("Settings", "Reset", "0"));
    ASSERT_TRUE(store.WriteText("Settings", "Reset", "1"));

    EXPECT_EQ(store.ReadText("Other", "Source"), "a.log\r");
    EXPECT_EQ(store.ReadInt("Settings", "AutoDNS", 0), 1);
    EXPECT_EQ(ReadBytes(path).substr(0, before.size()), before);
}

TEST_F(SettingsStoreTest, WritesReplaceTheFileWholeAndPrivately) {
    ASSERT_TRUE(store.WriteText("Settings", "ConnString", "Password=secret"));
    ASSERT_TRUE(store.WriteText("Settings", "Source", "a.log"));
    auto folder = std::filesystem::path(path).parent_path();
    int files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder)) ++files;
    EXPECT_EQ(files, 1) << "no temporary file may be left behind";
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(SettingsStoreTest, AFailedWriteReportsFalseAndKeepsTheOldStore) {
    // A file standing where the store's folder should be makes every write fail, even as root.
    WriteBytes(dir.File("blocker"), "x");
    SettingsStore blocked(dir.File("blocker/Kestrelport.conf"));
    EXPECT_FALSE(blocked.WriteText("Settings", "Source", "a.log"));

    ASSERT_TRUE(store.WriteText("Settings", "Source", "kept.log"));
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::filesystem::create_directory(folder / "Kestrelport.conf.d");
    SettingsStore folderAsFile((folder / "Kestrelport.conf.d").string());
    EXPECT_FALSE(folderAsFile.WriteText("Settings", "Source", "b.log"));
    EXPECT_EQ(store.ReadText("Settings", "Source"), "kept.log");
}

// Sets an environment variable for one test and puts the old value back.
TEST(SettingsStorePath, FollowsTheConfigurationFolderConvention) {
    ScopedEnv home("HOME", "/home/tester");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/tmp/cfg");
        EXPECT_EQ(SettingsStore::DefaultPath(), "/tmp/cfg/Quillmoor/Kestrelport.conf");
    }
    const char* fallback = "/home/tester/.config/Quillmoor/Kestrelport.conf";
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative/cfg");
        EXPECT_EQ(SettingsStore::DefaultPath(), fallback);
    }
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(SettingsStore::DefaultPath(), fallback);
}

}  // namespace
