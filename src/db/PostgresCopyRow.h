#pragma once
// One appended row as COPY data, in the text format or in the binary one.
//
// The binary format spares the server parsing every value (a fifth of a million-row COPY), but
// it has to be exactly the type of the column. It is used only for the column types the
// program writes (integers, texts, timestamp) and only for values in the exact form this
// driver gives them (see ToPostgresParameter). Any other row goes as text, so the server judges
// an odd value as it always has, with its own words.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/PostgresRowCheck.h"

// The row's values as sent (nothing = NULL), in the order of the COPY's columns.
using CopyRowValues = std::vector<std::optional<std::string>>;

// Appends the row in COPY's text format, line end included.
void AppendCopyTextRow(std::string& data, const CopyRowValues& row);

// Whether a binary COPY can take these columns: each is of a type whose binary form we write.
bool BinaryCopyFits(const std::vector<PostgresColumnRule>& rules);

// Appends the row in COPY's binary format and returns true; returns false, with nothing
// appended, when a value is not in the form whose binary equivalent is known to be exact.
bool AppendCopyBinaryRow(std::string& data, const std::vector<PostgresColumnRule>& rules,
                         const CopyRowValues& row);

// What the data of a binary COPY starts and ends with.
std::string_view BinaryCopyHeader();
std::string_view BinaryCopyTrailer();
