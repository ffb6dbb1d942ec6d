#pragma once
// String literals of the program's own statement language, the one both drivers translate.

#include <optional>
#include <string>
#include <string_view>

// `bytes` as a literal that means exactly these bytes: '...' with quotes doubled, or, when the
// bytes hold a 0x00 (which would end a statement text early), CAST(X'<hex>' AS TEXT).
std::string StatementTextLiteral(std::string_view bytes);

// The bytes of the hex digits of an X'...' literal; nothing when they are not pairs of hex digits.
std::optional<std::string> BytesFromHex(std::string_view digits);

// " AND <column> <differs> <value>" when `value` is a quoted literal, else nothing: added to an
// UPDATE that sets the column to the value, it leaves alone the rows that already hold it. The
// result is the same, but a table that grows by an export a day would otherwise have every
// earlier day's marked rows written anew by each export. `differs` is the dialect's
// null-safe "is not" ("IS NOT", "IS DISTINCT FROM").
std::string UnlessAlreadyHolding(const std::string& column, const std::string& value,
                                 const char* differs);
