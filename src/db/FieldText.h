#pragma once
// How a field's value reads as text, as an integer and as a date-time.

#include <cstdint>
#include <optional>
#include <string>

#include "db/DateTime.h"
#include "db/FieldValue.h"

// Null reads as the empty text; numbers in decimal; reals in general notation (10 significant
// digits for single, 20 for double precision); date-times through the strftime-style format
// (empty: "%Y-%m-%d %H:%M:%S"); booleans as "T" or "F". Nothing for a kind without a text form.
std::optional<std::string> FieldValueText(const FieldValue& value, const std::string& dateFormat);

// Null reads as 0. Integers and reals whose value fits 32 bits read as it (reals cut toward
// zero); anything else reads as nothing rather than as a wrong number.
std::optional<std::int32_t> FieldValueLong(const FieldValue& value);
