#include "db/DateTime.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidCalendar(const CalendarTime& t) {
    return t.year >= 100 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

// Days from 1 March of year 0 in the proleptic Gregorian calendar, shifted so that the year
// starts after February and the leap day falls at its end; exact integer arithmetic throughout.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

void CivilFromDays(std::int64_t z, CalendarTime& t) {
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
}

const std::int64_t kEpochDay = DaysFromCivil(1899, 12, 30);
const std::int64_t kFirstDay = DaysFromCivil(100, 1, 1) - kEpochDay;
const std::int64_t kLastDay = DaysFromCivil(9999, 12, 31) - kEpochDay;

// The value's whole part is the day and its fractional part, taken by magnitude, the time of day:
// -1.25 is 29 December 1899, 06:00. Days before the epoch thus count downward while their time
// runs upward, which is how stored values of this kind have always been read.
double ToValue(std::int64_t day, double secondsOfDay) {
    const double fraction = secondsOfDay / kSecondsPerDay;
    return day < 0 ? static_cast<double>(day) - fraction : static_cast<double>(day) + fraction;
}

// Reads exactly `width` digits at `pos`.
bool ReadDigits(const std::string& s, std::size_t& pos, int width, int& value) {
    value = 0;
    for (int i = 0; i < width; ++i, ++pos) {
        if (pos >= s.size() || s[pos] < '0' || s[pos] > '9') return false;
        value = value * 10 + (s[pos] - '0');
    }
    return true;
}

bool Expect(const std::string& s, std::size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

DateTime DateTime::FromCalendar(const CalendarTime& t) {
    if (!IsValidCalendar(t)) return DateTime(0.0, Status::Invalid);
    const std::int64_t day = DaysFromCivil(t.year, t.month, t.day) - kEpochDay;
    return DateTime(ToValue(day, t.hour * 3600 + t.minute * 60 + t.second));
}

std::optional<CalendarTime> DateTime::ToCalendar() const {
    if (status_ != Status::Valid || !std::isfinite(days_)) return std::nullopt;
    const double whole = std::trunc(days_);
    if (whole < kFirstDay - 1 || whole > kLastDay + 1) return std::nullopt;
    std::int64_t day = static_cast<std::int64_t>(whole);
    std::int64_t seconds = std::llround(std::fabs(days_ - whole) * kSecondsPerDay);
    if (seconds == kSecondsPerDay) {  // rounded up to midnight: the next calendar day
        seconds = 0;
        ++day;
    }
    if (day < kFirstDay || day > kLastDay) return std::nullopt;
    CalendarTime t;
    CivilFromDays(day + kEpochDay, t);
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

std::string DateTime::ToSqlText() const {
    const auto t = ToCalendar();
    if (!t) return {};
    // Digits put in place by hand: every row of an export goes through here, and formatting
    // with snprintf took about a fortieth of the writer's time.
    std::string text = "0000-00-00 00:00:00";
    const auto put = [&text](std::size_t at, int value, std::size_t digits) {
        for (std::size_t i = digits; i-- > 0; value /= 10)
            text[at + i] = static_cast<char>('0' + value % 10);
    };
    put(0, t->year, 4);
    put(5, t->month, 2);
    put(8, t->day, 2);
    put(11, t->hour, 2);
    put(14, t->minute, 2);
    put(17, t->second, 2);
    return text;
}

DateTime DateTime::FromSqlText(const std::string& text) {
    // "YYYY-MM-DD", optionally followed by " HH:MM", ":SS" and a fraction of a second; a "T" may
    // stand for the space. Anything else is invalid rather than half-read.
    const DateTime invalid(0.0, Status::Invalid);
    CalendarTime t;
    std::size_t pos = 0;
    if (!ReadDigits(text, pos, 4, t.year) || !Expect(text, pos, '-') ||
        !ReadDigits(text, pos, 2, t.month) || !Expect(text, pos, '-') ||
        !ReadDigits(text, pos, 2, t.day))
        return invalid;
    double fraction = 0.0;
    if (pos < text.size()) {
        if (text[pos] != ' ' && text[pos] != 'T') return invalid;
        ++pos;
        if (!ReadDigits(text, pos, 2, t.hour) || !Expect(text, pos, ':') ||
            !ReadDigits(text, pos, 2, t.minute))
            return invalid;
        if (pos < text.size() && (!Expect(text, pos, ':') || !ReadDigits(text, pos, 2, t.second)))
            return invalid;
        if (pos < text.size()) {
            if (!Expect(text, pos, '.') || pos == text.size()) return invalid;
            double scale = 0.1;
            for (; pos < text.size(); ++pos, scale /= 10) {
                if (text[pos] < '0' || text[pos] > '9') return invalid;
                fraction += (text[pos] - '0') * scale;
            }
        }
    }
    if (!IsValidCalendar(t)) return invalid;
    const std::int64_t day = DaysFromCivil(t.year, t.month, t.day) - kEpochDay;
    return DateTime(ToValue(day, t.hour * 3600 + t.minute * 60 + t.second + fraction));
}
