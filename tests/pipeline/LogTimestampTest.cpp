#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "pipeline/LogTimestamp.h"
#include "support/TestSupport.h"

namespace {

CStringArrayPBEx BuiltInMonths() {
    CStringArrayPBEx months;
    months.Split("Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec", ",");
    return months;
}

std::optional<CalendarTime> Parse(std::string_view text,
                                  const CStringArrayPBEx& months = BuiltInMonths()) {
    DateTime value = ParseLogTimestamp(text, months);
    if (!value.IsValid()) return std::nullopt;
    return value.ToCalendar();
}

CalendarTime At(int y, int mo, int d, int h, int mi, int s) {
    return {y, mo, d, h, mi, s};
}

TEST(ParseLogTimestamp, ReadsTheLocalTimeAsWrittenWhateverTheOffset) {
    EXPECT_EQ(Parse("[10/Oct/2012:13:55:36 +0100"), At(2012, 10, 10, 13, 55, 36));
    EXPECT_EQ(Parse("[10/Oct/2012:13:55:36 -0800"), At(2012, 10, 10, 13, 55, 36));
    EXPECT_EQ(Parse("[10/Oct/2012:13:55:36"), At(2012, 10, 10, 13, 55, 36));
    EXPECT_EQ(Parse("[[[1/Jan/2000:00:00:00 garbage after"), At(2000, 1, 1, 0, 0, 0));
    EXPECT_EQ(Parse("[31/Dec/9999:23:59:59 +0000"), At(9999, 12, 31, 23, 59, 59));
    EXPECT_EQ(Parse("[07x/Oct/2012y:01:02:03z +0000"), At(2012, 10, 7, 1, 2, 3));
}

TEST(ParseLogTimestamp, RejectsDatesAndTimesThatDoNotExist) {
    EXPECT_TRUE(Parse("[29/Feb/2012:00:00:00 +0000"));
    EXPECT_FALSE(Parse("[29/Feb/2011:00:00:00 +0000"));
    EXPECT_FALSE(Parse("[29/Feb/1900:00:00:00 +0000"));
    EXPECT_TRUE(Parse("[29/Feb/2000:00:00:00 +0000"));
    EXPECT_FALSE(Parse("[31/Apr/2012:00:00:00 +0000"));
    EXPECT_FALSE(Parse("[0/Oct/2012:00:00:00 +0000"));
    EXPECT_FALSE(Parse("[10/oct/2012:13:55:36 +0100"));  // month names are case-sensitive
    EXPECT_FALSE(Parse("[10/Oct/12:13:55:36 +0100"));    // two-digit year
    EXPECT_FALSE(Parse("[10/Oct/2012:24:00:00 +0100"));
    EXPECT_FALSE(Parse("[10/Oct/2012:13:60:00 +0100"));
    EXPECT_FALSE(Parse("[10/Oct/2012:13:55:60 +0100"));
    EXPECT_FALSE(Parse("[10/Oct/2012:13:55:-1 +0100"));
}

TEST(ParseLogTimestamp, WrapsEachNumberTo16BitsBeforeTheCheck) {
    // 65536 + 2012 wraps to 2012; 65536 + 13 to 13.
    EXPECT_EQ(Parse("[10/Oct/67548:65549:55:36 +0000"), At(2012, 10, 10, 13, 55, 36));
    EXPECT_FALSE(Parse("[10/Oct/4294967296:13:55:36 +0000"));  // saturates, then wraps to 65535
}

TEST(ParseLogTimestamp, IsInvalidWithFewerThanSixParts) {
    EXPECT_FALSE(Parse("-Missing-"));
    EXPECT_FALSE(Parse(""));
    EXPECT_FALSE(Parse("[10/Oct/2012:13:55"));
    EXPECT_FALSE(Parse("[10/Oct/2012:13:55:"));  // the empty last piece does not count
    // An interior empty piece does count, and reads as 0.
    EXPECT_EQ(Parse("[10/Oct/2012:13::55"), At(2012, 10, 10, 13, 0, 55));
    EXPECT_EQ(Parse("[10/Oct/2012:13:55::"), At(2012, 10, 10, 13, 55, 0));
}

TEST(ParseLogTimestamp, UsesWhateverMonthListItIsGiven) {
    CStringArrayPBEx dotted;
    dotted.Split("Jan.,Feb.,Mar.,Apr.,May.,Jun.,Jul.,Aug.,Sep.,Oct.,Nov.,Dec.", ",");
    EXPECT_EQ(Parse("[10/Oct./2012:13:55:36 +0100", dotted), At(2012, 10, 10, 13, 55, 36));
    EXPECT_FALSE(Parse("[10/Oct/2012:13:55:36 +0100", dotted));
    EXPECT_FALSE(Parse("[10/Oct/2012:13:55:36 +0100", CStringArrayPBEx{}));

    // A longer list: the first equal entry decides, and month 13 does not exist.
    CStringArrayPBEx longer = BuiltInMonths();
    longer.Add("Oct");
    longer.Add("Extra");
    EXPECT_EQ(Parse("[10/Oct/2012:13:55:36", longer), At(2012, 10, 10, 13, 55, 36));
    EXPECT_FALSE(Parse("[10/Extra/2012:13:55:36", longer));
}

// An independent reading of one part: strtoll clamped to 32 bits, then 16 unsigned bits.
int Number(const std::string& part) {
    long long v =
        std::clamp<long long>(std::strtoll(part.c_str(), nullptr, 10), INT32_MIN, INT32_MAX);
    return static_cast<std::uint16_t>(v);
}

// The parts are taken without building a list; they must be those a split would give.
TEST(ParseLogTimestamp, AgreesWithSplittingAtSlashColonAndSpace) {
    const std::string alphabet = "/: 1Oct";
    const CStringArrayPBEx months = BuiltInMonths();
    std::srand(7);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = std::rand() % 16; n > 0; --n) text.push_back(alphabet[std::rand() % 7]);
        CStringArrayPBEx parts;
        parts.Split(text, "/: ");
        DateTime value = ParseLogTimestamp(text, months);
        if (parts.GetSize() < 6) {
            ASSERT_FALSE(value.IsValid()) << text;
            continue;
        }
        CalendarTime t{Number(parts[2]), int(months.Find(parts[1]) + 1),
                       Number(parts[0]), Number(parts[3]),
                       Number(parts[4]), Number(parts[5])};
        ASSERT_EQ(value, DateTime::FromCalendar(t)) << text;
    }
}

class MonthNamesFile : public ::testing::Test {
  protected:
    TempDir dir_;
    ScopedEnv data_{"KESTRELPORT_DATA_DIR", dir_.Path().c_str()};
};

TEST_F(MonthNamesFile, FallsBackToTheBuiltInNamesWhenTheFileIsMissing) {
    CStringArrayPBEx months;
    months.Add("left over");
    LoadMonthNames(months);
    EXPECT_EQ(months, BuiltInMonths());
}

TEST_F(MonthNamesFile, UsesTheFileUnchangedWhateverItsLength) {
    WriteBytes(dir_.File("MonthNames.txt"), "Jan.\r\nFeb.\r\nMar.\r\nApr.\r\nMai\r\nJun.\r\n");
    CStringArrayPBEx months;
    LoadMonthNames(months);
    EXPECT_EQ(months, (CStringArrayPBEx{"Jan.", "Feb.", "Mar.", "Apr.", "Mai", "Jun."}));
    EXPECT_EQ(Parse("[1/Mai/2020:00:00:00", months), At(2020, 5, 1, 0, 0, 0));
    EXPECT_FALSE(Parse("[1/Jul/2020:00:00:00", months));

    WriteBytes(dir_.File("MonthNames.txt"), "");
    LoadMonthNames(months);
    EXPECT_TRUE(months.IsEmpty());
}

}  // namespace
