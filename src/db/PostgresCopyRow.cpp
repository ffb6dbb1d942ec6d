#include "db/PostgresCopyRow.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "db/DateTime.h"
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

// Microseconds since 2000-01-01 00:00 of "YYYY-MM-DD HH:MM:SS", the form dates are sent in;
// nothing for any other text, or for a date the program's own date values cannot hold.
std::optional<std::int64_t> TimestampMicroseconds(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto field = [&](std::size_t at, std::size_t digits) -> std::optional<int> {
        const std::string_view part = text.substr(at, digits);
        for (char c : part)
            if (c < '0' || c > '9') return std::nullopt;
        const auto value = WholeNumber(part, 0, 9999);
        return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
    };
    const auto year = field(0, 4), month = field(5, 2), day = field(8, 2), hour = field(11, 2),
               minute = field(14, 2), second = field(17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    const DateTime value = DateTime::FromCalendar({*year, *month, *day, *hour, *minute, *second});
    if (!value.IsValid()) return std::nullopt;
    // The whole part of the value is the day, before the epoch too (see DateTime.h).
    constexpr std::int64_t kDaysFromEpochTo2000 = 36526;
    const auto daysSince2000 =
        static_cast<std::int64_t>(std::trunc(value.Days())) - kDaysFromEpochTo2000;
    const std::int64_t seconds = daysSince2000 * 86400 + (*hour * 60 + *minute) * 60 + *second;
    return seconds * 1000000;
}

// A whole number of type T in the server's binary form (big-endian), if the text is one.
template <typename T>
std::optional<std::string> BinaryInteger(const std::string& text) {
    const auto value =
        WholeNumber(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    if (!value) return std::nullopt;
    std::string bytes;
    AppendBigEndian(bytes, static_cast<std::uint64_t>(*value), sizeof(T));
    return bytes;
}

// The value's binary form for a column of `type`, or nothing when it has none we trust.
std::optional<std::string> BinaryValue(unsigned type, const std::string& text) {
    switch (type) {
        case kInt2:
            return BinaryInteger<std::int16_t>(text);
        case kInt4:
            return BinaryInteger<std::int32_t>(text);
        case kInt8:
            return BinaryInteger<std::int64_t>(text);
        case kTimestamp: {
            const auto microseconds = TimestampMicroseconds(text);
            if (!microseconds) return std::nullopt;
            std::string bytes;
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
