#include "db/PostgresValues.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "db/PostgresText.h"
#include "db/PostgresTypeOids.h"

namespace {

using namespace PostgresType;

constexpr Oid kTextTypes[] = {kText, kBpchar, kVarchar, kName};

std::string DecimalText(FieldValue::DecimalParts d) {
    std::string digits = std::to_string(d.magnitude);
    const std::size_t scale = d.scale;
    if (digits.size() <= scale) digits = std::string(scale - digits.size() + 1, '0') + digits;
    const std::size_t whole = digits.size() - scale;
    const std::string sign = d.negative ? "-" : "";
    if (scale == 0) return sign + digits;
    return sign + digits.substr(0, whole) + '.' + digits.substr(whole);
}

std::string RealText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

FieldValue NumericValue(std::string_view text) {
    FieldValue::DecimalParts parts;
    if (!text.empty() && text[0] == '-') {
        parts.negative = true;
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    std::string digits(text.substr(0, point));
    if (point != std::string_view::npos) {
        const auto fraction = text.substr(point + 1);
        digits += fraction;
        parts.scale = static_cast<std::uint8_t>(fraction.size());
    }
    // NaN and values beyond 64 bits are not used by the program; they read as doubles.
    if (digits.empty() || digits.size() > 19 || parts.scale > 28 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return FieldValue::Double(std::strtod(std::string(text).c_str(), nullptr));
    parts.magnitude = std::strtoull(digits.c_str(), nullptr, 10);
    return FieldValue::Decimal(parts);
}

}  // namespace

std::optional<std::string> ToPostgresParameter(const FieldValue& value) {
    using Kind = FieldValue::Kind;
    switch (value.GetKind()) {
        case Kind::Null:
            return std::nullopt;
        case Kind::Text:
            return EncodePostgresText(value.AsText());
        case Kind::Bool:
            return value.AsInteger() ? "true" : "false";
        case Kind::Float:
        case Kind::Double:
            return RealText(value.AsDouble());
        case Kind::Currency:
            return DecimalText(
                {value.AsInteger() < 0, 4,
                 static_cast<std::uint64_t>(value.AsInteger() < 0 ? -value.AsInteger()
                                                                  : value.AsInteger())});
        case Kind::Decimal:
            return DecimalText(value.AsDecimal());
        case Kind::DateTime: {
            if (!value.AsDateTime().IsValid()) return std::nullopt;
            std::string text = value.AsDateTime().ToSqlText();
            if (text.empty()) return std::nullopt;
            return text;
        }
        default:
            return std::to_string(value.AsInteger());
    }
}

FieldValue FromPostgresField(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column)) return FieldValue::Null();
    const char* raw = PQgetvalue(result, row, column);
    const std::string_view text(raw, static_cast<std::size_t>(PQgetlength(result, row, column)));
    const Oid type = PQftype(result, column);
    switch (type) {
        case kInt2:
            return FieldValue::Int16(static_cast<std::int16_t>(std::strtol(raw, nullptr, 10)));
        case kInt4:
            return FieldValue::Int32(static_cast<std::int32_t>(std::strtol(raw, nullptr, 10)));
        case kOid:
            return FieldValue::UInt32(static_cast<std::uint32_t>(std::strtoul(raw, nullptr, 10)));
        case kInt8:
            return FieldValue::Int64(std::strtoll(raw, nullptr, 10));
        case kBool:
            return FieldValue::Bool(text == "t");
        case kFloat4:
            return FieldValue::Float(std::strtof(raw, nullptr));
        case kFloat8:
            return FieldValue::Double(std::strtod(raw, nullptr));
        case kNumeric:
            return NumericValue(text);
        case kDate:
        case kTimestamp:
            return FieldValue::Date(DateTime::FromSqlText(std::string(text)));
        case kTimestampTz:
        case kMoney:
            break;  // zone and currency symbols: shown as the server writes them
        default:
            for (Oid textType : kTextTypes)
                if (type == textType) return FieldValue::Text(DecodePostgresText(text));
            break;
    }
    return FieldValue::Text(std::string(text));
}
