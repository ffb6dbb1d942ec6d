#include <gtest/gtest.h>

#include <cmath>

#include "db/DateTime.h"

// Readable failure messages.
static void PrintTo(const CalendarTime& t, std::ostream* os) {
    *os << t.year << '-' << t.month << '-' << t.day << ' ' << t.hour << ':' << t.minute << ':'
        << t.second;
}

namespace {

CalendarTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return {y, mo, d, h, mi, s};
}

double Days(const CalendarTime& t) {
    DateTime v = DateTime::FromCalendar(t);
    EXPECT_TRUE(v.IsValid());
    return v.Days();
}

TEST(DateTime, CountsDaysFromTheEndOf1899WithTheTimeAsFraction) {
    EXPECT_EQ(Days(At(1899, 12, 30)), 0.0);
    EXPECT_EQ(Days(At(1899, 12, 31)), 1.0);
    EXPECT_EQ(Days(At(1900, 1, 1)), 2.0);
    EXPECT_EQ(Days(At(1900, 3, 1)), 61.0);  // 1900 is no leap year
    EXPECT_EQ(Days(At(2000, 1, 1)), 36526.0);
    EXPECT_EQ(Days(At(2012, 10, 10, 12)), 41192.5);
    EXPECT_EQ(Days(At(2012, 10, 10, 6)), 41192.25);
    EXPECT_EQ(Days(At(100, 1, 1)), -657434.0);
    EXPECT_EQ(Days(At(9999, 12, 31)), 2958465.0);
    // Before the start day the whole part counts down and the fraction still gives the time.
    EXPECT_EQ(Days(At(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(DateTime().ToCalendar(), At(1899, 12, 30));
}

TEST(DateTime, RejectsFieldsOutOfRange) {
    for (const CalendarTime& t :
         {At(2011, 2, 29), At(1900, 2, 29), At(2012, 13, 1), At(2012, 0, 1), At(2012, 4, 31),
          At(2012, 1, 0), At(2012, 1, 1, 24), At(2012, 1, 1, 0, 60), At(2012, 1, 1, 0, 0, 60),
          At(2012, 1, 1, -1), At(99, 12, 31), At(10000, 1, 1), At(65535, 1, 1)}) {
        DateTime v = DateTime::FromCalendar(t);
        EXPECT_EQ(v.GetStatus(), DateTime::Status::Invalid)
            << t.year << '-' << t.month << '-' << t.day;
    }
    EXPECT_TRUE(DateTime::FromCalendar(At(2000, 2, 29)).IsValid());
    EXPECT_TRUE(DateTime::FromCalendar(At(2400, 2, 29)).IsValid());
}

// Every second of a few spread-out days, and the first day of every month of the supported
// range, survive the round trip.
TEST(DateTime, RoundTripsEveryCalendarSecondExactly) {
    for (const CalendarTime& day :
         {At(100, 1, 1), At(1899, 12, 29), At(1899, 12, 30), At(2015, 5, 17), At(9999, 12, 31)}) {
        for (int s = 0; s < 86400; ++s) {
            CalendarTime t = day;
            t.hour = s / 3600;
            t.minute = s / 60 % 60;
            t.second = s % 60;
            ASSERT_EQ(DateTime::FromCalendar(t).ToCalendar(), t) << s;
        }
    }
    double previous = -1e9;
    for (int y = 100; y <= 9999; ++y) {
        for (int m = 1; m <= 12; ++m) {
            const double days = Days(At(y, m, 1));
            ASSERT_EQ(DateTime(days).ToCalendar(), At(y, m, 1));
            ASSERT_GT(days, previous);
            previous = days;
        }
    }
}

TEST(DateTime, RoundsToTheNearestSecondWhenConvertingBack) {
    const double second = 1.0 / 86400;
    const double noon = 41192.5;
    EXPECT_EQ(DateTime(noon + 0.4 * second).ToCalendar(), At(2012, 10, 10, 12, 0, 0));
    EXPECT_EQ(DateTime(noon + 0.6 * second).ToCalendar(), At(2012, 10, 10, 12, 0, 1));
    EXPECT_EQ(DateTime(noon - 0.4 * second).ToCalendar(), At(2012, 10, 10, 12, 0, 0));
    // Half a second before midnight rounds into the next day, also across a year's end.
    EXPECT_EQ(DateTime(Days(At(2012, 12, 31)) + 1 - 0.4 * second).ToCalendar(), At(2013, 1, 1));
    EXPECT_EQ(DateTime(-2 - (1 - 0.4 * second)).ToCalendar(), At(1899, 12, 29));
    EXPECT_EQ(DateTime(-1 - (1 - 0.4 * second)).ToCalendar(), At(1899, 12, 30));
}

TEST(DateTime, HasNoCalendarOutsideTheSupportedYearsOrWithoutAValue) {
    EXPECT_EQ(DateTime(-657435.0).ToCalendar(), std::nullopt);
    EXPECT_EQ(DateTime(2958466.0).ToCalendar(), std::nullopt);
    EXPECT_EQ(DateTime(2958465.99999999).ToCalendar(), std::nullopt);  // rounds to year 10000
    EXPECT_EQ(DateTime(1e300).ToCalendar(), std::nullopt);
    EXPECT_EQ(DateTime(NAN).ToCalendar(), std::nullopt);
    EXPECT_EQ(DateTime(INFINITY).ToCalendar(), std::nullopt);
    EXPECT_EQ(DateTime::Null().ToCalendar(), std::nullopt);
    EXPECT_EQ(DateTime(5.0, DateTime::Status::Invalid).ToCalendar(), std::nullopt);
    EXPECT_EQ(DateTime::Null().ToSqlText(), "");
}

TEST(DateTime, WritesAndReadsTheSqlTextForm) {
    DateTime t = DateTime::FromCalendar(At(2015, 5, 17, 10, 5, 0));
    EXPECT_EQ(t.ToSqlText(), "2015-05-17 10:05:00");
    EXPECT_EQ(DateTime::FromSqlText("2015-05-17 10:05:00"), t);
    EXPECT_EQ(DateTime::FromSqlText("2015-05-17T10:05:00"), t);
    EXPECT_EQ(DateTime::FromSqlText("2015-05-17 10:05"), t);
    EXPECT_EQ(DateTime::FromSqlText("2015-05-17"), DateTime::FromCalendar(At(2015, 5, 17)));
    EXPECT_EQ(DateTime::FromCalendar(At(100, 1, 1)).ToSqlText(), "0100-01-01 00:00:00");
    EXPECT_EQ(DateTime::FromSqlText("2015-05-17 10:05:00.6").ToCalendar(),
              At(2015, 5, 17, 10, 5, 1));  // the fraction is kept and rounds on the way back
}

TEST(DateTime, RefusesMalformedSqlTextInsteadOfReadingHalfOfIt) {
    for (const char* text :
         {"", "2015", "2015-5-17", "2015-05-17 ", "2015-05-17 10",
          "2015-05-17 10:05:", "2015-05-17x", "2015-02-30 00:00:00", "2015-05-17 24:00:00",
          "2015-05-17 10:05:00.", "2015-05-17 10:05:00.5x", "0099-12-31 00:00:00", "abcd-ef-gh"}) {
        EXPECT_EQ(DateTime::FromSqlText(text).GetStatus(), DateTime::Status::Invalid) << text;
    }
}

}  // namespace
