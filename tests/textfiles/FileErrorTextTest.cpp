#include <gtest/gtest.h>

#include <cerrno>

#include "textfiles/FileErrorText.h"

namespace {

TEST(FileErrorText, SortsErrnoIntoTheCausesAndNamesTheFile) {
    EXPECT_EQ(FileErrorText(ENOENT, "a.log"), "a.log was not found.");
    EXPECT_EQ(FileErrorText(EISDIR, "/var"), "/var contains an incorrect path.");
    EXPECT_EQ(FileErrorText(ENAMETOOLONG, "n"), "n contains an incorrect path.");
    EXPECT_EQ(FileErrorText(EACCES, "a"), "Access to a was denied.");
    EXPECT_EQ(FileErrorText(EROFS, "a"), "Access to a was denied.");
    EXPECT_EQ(FileErrorText(EMFILE, "a"),
              "Could not open a because there are too many open files.");
    EXPECT_EQ(FileErrorText(ENOSPC, "a"), "Disk full while accessing a.");
    EXPECT_EQ(FileErrorText(EIO, "a"), "Encountered a hardware I/O error while accessing a.");
    EXPECT_EQ(FileErrorText(EINVAL, "a"), "An unknown error occurred while accessing a.");
    EXPECT_EQ(FileErrorText(0, "a"), "No error occurred.");
    EXPECT_EQ(FileErrorText(FileErrorCause::EndOfFile, "a"), "Attempted to access a past its end.");
}

TEST(FileErrorText, MissingFolderIsABadPathAndAnEmptyNameIsUnnamed) {
    EXPECT_EQ(FileErrorText(ENOENT, "/no/such/folder/a.log"),
              "/no/such/folder/a.log contains an incorrect path.");
    EXPECT_EQ(FileErrorText(ENOENT, ""), "an unnamed file was not found.");
}

TEST(FileErrorText, IsCutTo254BytesWithoutSplittingACharacter) {
    EXPECT_EQ(FileErrorText(EACCES, std::string(400, 'n')).size(), 254u);
    // "Access to " is 10 bytes; 122 two-byte characters end exactly at 254, 123 would not.
    std::string name;
    for (int i = 0; i < 130; ++i) name += "\xc3\xa9";
    const std::string text = FileErrorText(EACCES, "x" + name);
    EXPECT_EQ(text.size(), 253u);
    EXPECT_EQ(text.substr(text.size() - 2), "\xc3\xa9");
}

}  // namespace
