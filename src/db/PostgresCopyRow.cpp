#include "db/PostgresCopyRow.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "db/PostgresTypeOids.h"

namespace {

using namespace PostgresType;

void AppendBigEndian(std::string& data, std::uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        data += static_cast<char>((value >> shift) & 0xFF);
}

void AppendField(std::string& data, std::string_view bytes) {
    AppendBigEndian(data, bytes.size(), 4);
    data += bytes;
}

std::optional<std::int64_t> WholeNumber(std::string_view text, std::int64_t low,
                                        std::int64_t high) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days from 1 January 2000 to a date of the proleptic Gregorian calendar, which the server's
// timestamps count in.
std::int64_t DaysSince2000(std::int64_t year, std::int64_t month, std::int64_t day) {
    if (month <= 2) --year;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    constexpr std::int64_t kDaysFromEraStartTo2000 = 730425;
    return era * 146097 + dayOfEra - kDaysFromEraStartTo2000;
}

// Microseconds since 2000-01-01 00:00 of "YYYY-MM-DD HH:MM:SS", the form dates are sent in;
// nothing for any other text, or for a field out of its range.
std::optional<std::int64_t> TimestampMicroseconds(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto field = [&](std::size_t at, std::size_t digits, std::int64_t low,
                           std::int64_t high) -> std::optional<std::int64_t> {
        const std::string_view part = text.substr(at, digits);
        for (char c : part)
            if (c < '0' || c > '9') return std::nullopt;
        return WholeNumber(part, low, high);
    };
    const auto year = field(0, 4, 1, 9999), month = field(5, 2, 1, 12);
    const auto hour = field(11, 2, 0, 23), minute = field(14, 2, 0, 59),
               second = field(17, 2, 0, 59);
    if (!year || !month || !hour || !minute || !second) return std::nullopt;
    constexpr std::int64_t kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const std::int64_t lastDay =
        kMonthDays[*month - 1] + (*month == 2 && IsLeapYear(*year) ? 1 : 0);
    const auto day = field(8, 2, 1, lastDay);
    if (!day) return std::nullopt;
    const std::int64_t seconds =
        DaysSince2000(*year, *month, *day) * 86400 + (*hour * 60 + *minute) * 60 + *second;
    return seconds * 1000000;
}

// The value's binary form for a column of `type`, or nothing when it has none we trust.
std::optional<std::string> BinaryValue(unsigned type, const std::string& text) {
    std::string bytes;
    const auto integer = [&](std::int64_t low, std::int64_t high, int size) {
        const auto value = WholeNumber(text, low, high);
        if (!value) return false;
        AppendBigEndian(bytes, static_cast<std::uint64_t>(*value), size);
        return true;
    };
    switch (type) {
        case kInt2:
            if (!integer(std::numeric_limits<std::int16_t>::min(),
                         std::numeric_limits<std::int16_t>::max(), 2))
                return std::nullopt;
            return bytes;
        case kInt4:
            if (!integer(std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max(), 4))
                return std::nullopt;
            return bytes;
        case kInt8:
            if (!integer(std::numeric_limits<std::int64_t>::min(),
                         std::numeric_limits<std::int64_t>::max(), 8))
                return std::nullopt;
            return bytes;
        case kTimestamp: {
            const auto microseconds = TimestampMicroseconds(text);
            if (!microseconds) return std::nullopt;
            AppendBigEndian(bytes, static_cast<std::uint64_t>(*microseconds), 8);
            return bytes;
        }
        default:  // the texts: the server reads their bytes as it reads text data
            return text;
    }
}

}  // namespace

void AppendCopyTextRow(std::string& data, const CopyRowValues& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i) data += '\t';
        if (!row[i]) {
            data += "\\N";
            continue;
        }
        // The bytes that end a field or a line, or start an escape, are escaped.
        for (char c : *row[i]) {
            switch (c) {
                case '\\':
                    data += "\\\\";
                    break;
                case '\t':
                    data += "\\t";
                    break;
                case '\n':
                    data += "\\n";
                    break;
                case '\r':
                    data += "\\r";
                    break;
                default:
                    data += c;
            }
        }
    }
    data += '\n';
}

bool BinaryCopyFits(const std::vector<PostgresColumnRule>& rules) {
    for (const auto& rule : rules) {
        switch (rule.typeOid) {
            case kInt2:
            case kInt4:
            case kInt8:
            case kText:
            case kBpchar:
            case kVarchar:
            case kTimestamp:
                break;
            default:
                return false;
        }
    }
    return !rules.empty();
}

bool AppendCopyBinaryRow(std::string& data, const std::vector<PostgresColumnRule>& rules,
                         const CopyRowValues& row) {
    const std::size_t start = data.size();
    AppendBigEndian(data, row.size(), 2);
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (!row[i]) {
            AppendBigEndian(data, 0xFFFFFFFFu, 4);  // -1: NULL
            continue;
        }
        const auto value = BinaryValue(rules[i].typeOid, *row[i]);
        if (!value) {
            data.resize(start);
            return false;
        }
        AppendField(data, *value);
    }
    return true;
}

std::string_view BinaryCopyHeader() {
    // The signature, no flags, no header extension.
    static constexpr char kHeader[] = "PGCOPY\n\xFF\r\n\0\0\0\0\0\0\0\0\0";
    return {kHeader, sizeof kHeader - 1};
}

std::string_view BinaryCopyTrailer() {
    static constexpr char kTrailer[] = "\xFF\xFF";
    return {kTrailer, 2};
}
