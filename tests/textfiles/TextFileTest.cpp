#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>

#include "support/RecordingMessages.h"
#include "support/TestSupport.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

using V = std::vector<std::string>;
using namespace std::string_literals;

V ReadBack(const std::string& bytes,
           CStringArrayPBEx::CtrlZ ctrlZ = CStringArrayPBEx::CtrlZ::EndsFile) {
    TempDir dir;
    WriteBytes(dir.File("t.txt"), bytes);
    CStringArrayPBEx list;
    EXPECT_TRUE(list.ReadTextFile(dir.File("t.txt"), true, nullptr, ctrlZ));
    return list.Items();
}

TEST(ReadTextFile, FollowsTheLineRulesByteForByte) {
    EXPECT_EQ(ReadBack("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(ReadBack("a\n\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(ReadBack("a\rb\n"), (V{"a\rb"}));
    EXPECT_EQ(ReadBack("a\x1a"
                       "b\n"),
              (V{"a"}));
    EXPECT_EQ(ReadBack("x\n"), (V{"x"}));
    EXPECT_EQ(ReadBack("\n"), (V{""}));
    EXPECT_EQ(ReadBack("a\r"), (V{"a\r"}));
    EXPECT_EQ(ReadBack(""), V{});
    EXPECT_EQ(ReadBack("a\0b\n"s), (V{"a\0b"s}));
}

TEST(ReadTextFile, LogModeKeepsEveryByteButTheLineEnds) {
    std::string every;
    for (int c = 0; c < 256; ++c)
        if (c != '\n') every.push_back(static_cast<char>(c));
    EXPECT_EQ(ReadBack(every + "\r\n" + every, CStringArrayPBEx::CtrlZ::IsData), (V{every, every}));
}

TEST(ReadTextFile, LinesCrossingReadBlocksStayWhole) {
    // The CR ends the first 1 MiB block and its LF starts the next one.
    const std::string longLine((1 << 20) - 1, 'x');
    EXPECT_EQ(ReadBack(longLine + "\r\nb"), (V{longLine, "b"}));
    const std::string huge(3 * (1 << 20) + 17, 'y');
    EXPECT_EQ(ReadBack(huge), (V{huge}));
    EXPECT_EQ(ReadBack(huge + "\n\n"), (V{huge, ""}));
}

TEST(ReadTextFile, FailedOpenLeavesTheListAndReportsUnlessQuiet) {
    TempDir dir;
    const std::string missing = dir.File("missing.txt");
    CStringArrayPBEx list{"kept"};
    RecordingMessages<> channel;
    EXPECT_FALSE(list.ReadTextFile(missing, true, &channel));
    EXPECT_TRUE(channel.messages.empty());
    EXPECT_FALSE(list.ReadTextFile(missing, false, &channel));
    EXPECT_EQ(channel.messages, (V{missing + " was not found."}));

    EXPECT_FALSE(list.ReadTextFile(dir.Path().string(), false, &channel));
    EXPECT_EQ(channel.messages.back(), dir.Path().string() + " contains an incorrect path.");
    EXPECT_EQ(list.Items(), V{"kept"});
}

TEST(ReadTextFile, UnreadableFileIsReportedAsDenied) {
    if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    TempDir dir;
    const std::string name = dir.File("secret.txt");
    WriteBytes(name, "x\n");
    std::filesystem::permissions(name, std::filesystem::perms::none);
    CStringArrayPBEx list;
    RecordingMessages<> channel;
    EXPECT_FALSE(list.ReadTextFile(name, false, &channel));
    EXPECT_EQ(channel.messages, (V{"Access to " + name + " was denied."}));
}

TEST(LoadFromFile, MissingFileFailsAtOnceAndPresentFileKeepsTheCtrlZRule) {
    TempDir dir;
    CStringArrayPBEx list{"kept"};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(list.LoadFromFile(dir.File("missing.kpp")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(list.Items(), V{"kept"});

    WriteBytes(dir.File("p.kpp"), "Key=1\r\nOther=2\r\n\x1atail\r\n");
    EXPECT_TRUE(list.LoadFromFile(dir.File("p.kpp")));
    EXPECT_EQ(list.Items(), (V{"Key=1", "Other=2"}));
}

TEST(SaveToFile, WritesCrLfAfterEveryEntryAndReadsBackTheSame) {
    TempDir dir;
    CStringArrayPBEx list{"x", ""};
    ASSERT_TRUE(list.SaveToFile(dir.File("out.kpp")));
    EXPECT_EQ(ReadBytes(dir.File("out.kpp")), "x\r\n\r\n");

    CStringArrayPBEx many;
    for (int i = 0; i < 20000; ++i) many.Add("Key" + std::to_string(i) + "=value");
    ASSERT_TRUE(many.SaveToFile(dir.File("many.kpp")));
    CStringArrayPBEx back;
    ASSERT_TRUE(back.LoadFromFile(dir.File("many.kpp")));
    EXPECT_EQ(back, many);
}

TEST(SaveToFile, FailuresAreShownAndNeverPassForSuccess) {
    TempDir dir;
    const std::string unreachable = dir.File("no-such-folder/out.kpp");
    RecordingMessages<> channel;
    EXPECT_FALSE(CStringArrayPBEx{"x"}.SaveToFile(unreachable, &channel));
    EXPECT_EQ(channel.messages, V(5, unreachable + " contains an incorrect path."));

    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    channel.messages.clear();
    EXPECT_FALSE(CStringArrayPBEx{"x"}.SaveToFile("/dev/full", &channel));
    EXPECT_EQ(channel.messages, V{"Disk full while accessing /dev/full."});
}

mode_t Permissions(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Writes beyond `bytes` fail with EFBIG for the test's time: a full disk that needs no mount.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*oldHandler_)(int);
};

// Project files hold passwords: nobody else may read a new one, a write that fails half-way
// must not cost the previous file, and a saved file keeps what its owner set.
TEST(SaveToFile, ReplacesTheFileWholeAndPrivately) {
    TempDir dir;
    const std::string file = dir.File("project.txt");
    ASSERT_TRUE(CStringArrayPBEx{"Connection string=Password=old"}.SaveToFile(file));
    EXPECT_EQ(Permissions(file), 0600u);

    {
        const FileSizeLimit limit(16);
        RecordingMessages<> channel;
        EXPECT_FALSE(CStringArrayPBEx{"Connection string=Password=new and much longer"}.SaveToFile(
            file, &channel));
        EXPECT_EQ(channel.messages.size(), 1u) << "a failed write is not tried again";
    }
    EXPECT_EQ(ReadBytes(file), "Connection string=Password=old\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left behind";

    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(CStringArrayPBEx{"x"}.SaveToFile(file));
    EXPECT_EQ(Permissions(file), 0640u);

    const std::string link = dir.File("link.txt");
    std::filesystem::create_symlink(file, link);
    ASSERT_TRUE(CStringArrayPBEx{"y"}.SaveToFile(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(file), "y\r\n");
}

}  // namespace
