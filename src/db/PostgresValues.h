#pragma once
// Field values to and from the text form of libpq parameters and results.

#include <libpq-fe.h>

#include <optional>
#include <string>

#include "db/FieldValue.h"

// The parameter text of a value, or nothing for NULL. Texts are stored in their escaped form
// (PostgresText.h); a date-time that is not valid is stored as NULL, as it has no calendar form.
std::optional<std::string> ToPostgresParameter(const FieldValue& value);

// The value of one result field of the given type; a null field is the NULL value. Types the
// program does not use arrive as text.
FieldValue FromPostgresField(const PGresult* result, int row, int column);
