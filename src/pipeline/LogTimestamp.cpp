#include "pipeline/LogTimestamp.h"

#include <array>
#include <cstdint>

#include "textfiles/DataFiles.h"
#include "textfiles/LeadingInteger.h"

namespace {

constexpr std::size_t kTimestampParts = 6;  // day, month, year, hour, minute, second

bool IsPartDelimiter(char c) {
    return c == '/' || c == ':' || c == ' ';
}

// The first six pieces that a split at "/", ":" and " " would give, without building the list:
// this runs once per log line. Returns false when the split gives fewer than six pieces (an empty
// last piece does not count, as in Split).
bool FirstSixParts(std::string_view text, std::array<std::string_view, kTimestampParts>& parts) {
    std::size_t count = 0;
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i < text.size() && count < kTimestampParts; ++i) {
        if (IsPartDelimiter(text[i])) {
            parts[count++] = text.substr(pieceStart, i - pieceStart);
            pieceStart = i + 1;
        }
    }
    if (count < kTimestampParts && pieceStart < text.size())
        parts[count++] = text.substr(pieceStart);
    return count == kTimestampParts;
}

// Each number is held in 16 unsigned bits, so a value outside 0..65535 wraps before the check.
int Wrapped16(std::int64_t value) {
    return static_cast<std::uint16_t>(value);
}

int NumberOf(std::string_view part) {
    return Wrapped16(LeadingInteger32(part));
}

}  // namespace

void LoadMonthNames(CStringArrayPBEx& monthNames) {
    if (!monthNames.ReadTextFile(DataFilePath("MonthNames.txt"), /*quiet=*/true))
        monthNames.Split("Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec", ",");
}

DateTime ParseLogTimestamp(std::string_view dateTimeTxt, const CStringArrayPBEx& monthNames) {
    std::array<std::string_view, kTimestampParts> parts;
    if (!FirstSixParts(dateTimeTxt, parts)) return DateTime(0.0, DateTime::Status::Invalid);

    std::string_view day = parts[0];
    while (!day.empty() && day.front() == '[') day.remove_prefix(1);
    const CStringArrayPBEx::Index monthIndex = monthNames.Find(parts[1]);

    CalendarTime t;
    t.year = NumberOf(parts[2]);
    t.month = Wrapped16(monthIndex + 1);  // not found (-1) gives 0
    t.day = NumberOf(day);
    t.hour = NumberOf(parts[3]);
    t.minute = NumberOf(parts[4]);
    t.second = NumberOf(parts[5]);
    return DateTime::FromCalendar(t);
}
