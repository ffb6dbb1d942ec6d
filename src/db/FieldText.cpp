#include "db/FieldText.h"

#include <monetary.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

namespace {

std::string GeneralNotation(double value, int significantDigits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", significantDigits, value);
    std::string text = buffer;
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string CurrencyText(double amount) {
    char buffer[64];
    if (strfmon(buffer, sizeof buffer, "%n", amount) >= 0) return buffer;
    std::snprintf(buffer, sizeof buffer, "%f", amount);
    return buffer;
}

std::string DateText(const DateTime& date, const std::string& dateFormat) {
    const std::optional<CalendarTime> fields = date.ToCalendar();
    if (!fields) return "Invalid DateTime";
    std::tm tm{};
    tm.tm_year = fields->year - 1900;
    tm.tm_mon = fields->month - 1;
    tm.tm_mday = fields->day;
    tm.tm_hour = fields->hour;
    tm.tm_min = fields->minute;
    tm.tm_sec = fields->second;
    // Weekday and day of the year for %a, %A, %j: normalise through the calendar.
    std::tm normalised = tm;
    if (timegm(&normalised) != -1) {
        tm.tm_wday = normalised.tm_wday;
        tm.tm_yday = normalised.tm_yday;
    }
    char buffer[256];
    const std::string format = dateFormat.empty() ? "%Y-%m-%d %H:%M:%S" : dateFormat;
    const std::size_t length = std::strftime(buffer, sizeof buffer, format.c_str(), &tm);
    return std::string(buffer, length);
}

double DecimalValue(const FieldValue::DecimalParts& parts) {
    const double value =
        static_cast<double>(parts.magnitude) / std::pow(10.0, static_cast<double>(parts.scale));
    return parts.negative ? -value : value;
}

}  // namespace

std::optional<std::string> FieldValueText(const FieldValue& value, const std::string& dateFormat) {
    using Kind = FieldValue::Kind;
    switch (value.GetKind()) {
        case Kind::Null:
            return std::string();
        case Kind::Text:
            return value.AsText();
        case Kind::Int16:
        case Kind::Int32:
        case Kind::UInt32:
        case Kind::Int64:
        case Kind::UInt8:
            return std::to_string(value.AsInteger());
        case Kind::Bool:
            return std::string(value.AsInteger() != 0 ? "T" : "F");
        case Kind::Float:
            return GeneralNotation(value.AsDouble(), 10);
        case Kind::Double:
            return GeneralNotation(value.AsDouble(), 20);
        case Kind::Currency:
            return CurrencyText(static_cast<double>(value.AsInteger()) / 10000.0);
        case Kind::Decimal:
            return GeneralNotation(DecimalValue(value.AsDecimal()), 20);
        case Kind::DateTime:
            return DateText(value.AsDateTime(), dateFormat);
    }
    return std::nullopt;
}

std::optional<std::int32_t> FieldValueLong(const FieldValue& value) {
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    if (value.IsNull()) return 0;
    if (value.IsInteger()) {
        const std::int64_t number = value.AsInteger();
        if (number < kMin || number > kMax) return std::nullopt;
        return static_cast<std::int32_t>(number);
    }
    if (value.GetKind() == FieldValue::Kind::Float || value.GetKind() == FieldValue::Kind::Double) {
        const double number = std::trunc(value.AsDouble());
        if (!(number >= kMin && number <= kMax)) return std::nullopt;
        return static_cast<std::int32_t>(number);
    }
    return std::nullopt;
}
