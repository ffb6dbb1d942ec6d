#include "db/FieldValue.h"

#include <utility>

FieldValue FieldValue::Integer(Kind kind, std::int64_t value) {
    FieldValue v;
    v.kind_ = kind;
    v.integer_ = value;
    return v;
}

FieldValue FieldValue::Text(std::string text) {
    FieldValue v;
    v.kind_ = Kind::Text;
    v.text_ = std::move(text);
    return v;
}

FieldValue FieldValue::Float(float value) {
    FieldValue v;
    v.kind_ = Kind::Float;
    v.real_ = value;
    return v;
}

FieldValue FieldValue::Double(double value) {
    FieldValue v;
    v.kind_ = Kind::Double;
    v.real_ = value;
    return v;
}

FieldValue FieldValue::Decimal(DecimalParts parts) {
    FieldValue v;
    v.kind_ = Kind::Decimal;
    v.negative_ = parts.negative;
    v.scale_ = parts.scale;
    v.integer_ = static_cast<std::int64_t>(parts.magnitude);
    return v;
}

FieldValue FieldValue::Date(DateTime value) {
    if (value.GetStatus() == DateTime::Status::Null) return Null();
    FieldValue v;
    v.kind_ = Kind::DateTime;
    v.real_ = value.Days();
    v.dateStatus_ = value.GetStatus();
    return v;
}

bool FieldValue::IsInteger() const {
    switch (kind_) {
        case Kind::Int16:
        case Kind::Int32:
        case Kind::UInt32:
        case Kind::Int64:
        case Kind::UInt8:
        case Kind::Bool:
            return true;
        default:
            return false;
    }
}

FieldValue::DecimalParts FieldValue::AsDecimal() const {
    return DecimalParts{negative_, scale_, static_cast<std::uint64_t>(integer_)};
}

DateTime FieldValue::AsDateTime() const {
    return DateTime(real_, dateStatus_);
}

bool FieldValue::operator==(const FieldValue& other) const {
    if (kind_ != other.kind_ || negative_ != other.negative_ || scale_ != other.scale_ ||
        dateStatus_ != other.dateStatus_ || text_ != other.text_)
        return false;
    // Only the member the kind uses is compared: the bits of a negative integer read as a double
    // are not a number, which never equals itself.
    switch (kind_) {
        case Kind::Float:
        case Kind::Double:
        case Kind::DateTime:
            return real_ == other.real_;
        default:
            return integer_ == other.integer_;
    }
}
