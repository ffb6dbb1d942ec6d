#pragma once
// One typed value of a field: what the recordset writes into a column and what a driver reads
// back. The kinds mirror the value types callers format differently (ReadFieldText's table).

#include <cstdint>
#include <string>

#include "db/DateTime.h"

class FieldValue {
  public:
    enum class Kind : std::uint8_t {
        Null,
        Text,
        Int16,
        Int32,
        UInt32,
        Int64,
        UInt8,
        Float,
        Double,
        Currency,
        Decimal,
        DateTime,
        Bool
    };

    // A fixed-point number: sign x magnitude / 10^scale.
    struct DecimalParts {
        bool negative = false;
        std::uint8_t scale = 0;
        std::uint64_t magnitude = 0;
    };

    FieldValue() = default;  // NULL

    static FieldValue Null() { return FieldValue(); }
    // Texts are byte strings; every byte 0x00..0xFF is kept as it is.
    static FieldValue Text(std::string text);
    static FieldValue Int16(std::int16_t value) { return Integer(Kind::Int16, value); }
    static FieldValue Int32(std::int32_t value) { return Integer(Kind::Int32, value); }
    static FieldValue UInt32(std::uint32_t value) { return Integer(Kind::UInt32, value); }
    static FieldValue Int64(std::int64_t value) { return Integer(Kind::Int64, value); }
    static FieldValue UInt8(std::uint8_t value) { return Integer(Kind::UInt8, value); }
    static FieldValue Bool(bool value) { return Integer(Kind::Bool, value ? 1 : 0); }
    static FieldValue Float(float value);
    static FieldValue Double(double value);
    // Money in ten-thousandths of the unit.
    static FieldValue Currency(std::int64_t tenThousandths) {
        return Integer(Kind::Currency, tenThousandths);
    }
    static FieldValue Decimal(DecimalParts parts);
    // A date-time whose status is null is the NULL value; an invalid one is kept as invalid.
    static FieldValue Date(DateTime value);

    Kind GetKind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::Null; }
    bool IsInteger() const;  // Int16, Int32, UInt32, Int64, UInt8, Bool

    const std::string& AsText() const { return text_; }
    std::int64_t AsInteger() const { return integer_; }  // integer kinds, Bool and Currency
    double AsDouble() const { return real_; }            // Float and Double
    DecimalParts AsDecimal() const;
    DateTime AsDateTime() const;

    bool operator==(const FieldValue&) const;

  private:
    static FieldValue Integer(Kind kind, std::int64_t value);

    // Kept small: a query result holds one per field of every row.
    Kind kind_ = Kind::Null;
    bool negative_ = false;                                  // Decimal
    std::uint8_t scale_ = 0;                                 // Decimal
    DateTime::Status dateStatus_ = DateTime::Status::Valid;  // DateTime
    // Integer kinds, Bool, Currency and the Decimal magnitude use integer_; Float, Double and
    // DateTime days use real_.
    union {
        std::int64_t integer_ = 0;
        double real_;
    };
    std::string text_;
};
