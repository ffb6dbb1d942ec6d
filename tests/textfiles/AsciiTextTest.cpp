#include <gtest/gtest.h>

#include "textfiles/AsciiText.h"

namespace {

// Names and keys from users hold UTF-8 and Latin-1 bytes: those must pass through untouched,
// whichever locale the program runs in.
TEST(AsciiText, FoldsAndTrimsOnlyAscii) {
    EXPECT_EQ(ToLowerAscii("Data SOURCE \xC4\xD6 \xC3\x84"), "data source \xC4\xD6 \xC3\x84");
    EXPECT_TRUE(EqualsIgnoringAsciiCase("PostgreSQL", "postgresql"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC4", "\xE4"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("Provider", "Provider "));

    EXPECT_EQ(TrimAscii("\v\f \t key = v \r\n"), "key = v");
    EXPECT_EQ(TrimAscii(" \t\r\n"), "");
    EXPECT_EQ(TrimAscii("\xA0x\xA0"), "\xA0x\xA0");
    EXPECT_EQ(TrimAscii("\v x \f", " \t\r\n"), "\v x \f");
    EXPECT_EQ(TrimAsciiStart("  select 1  "), "select 1  ");
    EXPECT_EQ(TrimAsciiEnd("message\n\n"), "message");

    EXPECT_TRUE(IsAsciiLetterOrDigit('z') && IsAsciiLetterOrDigit('Q') && IsAsciiDigit('7'));
    EXPECT_FALSE(IsAsciiLetter('\xC4') || IsAsciiLetterOrDigit('_') || IsAsciiDigit('\xB2'));
}

}  // namespace
