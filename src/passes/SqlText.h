#pragma once
// Building the passes' statements: the table base name goes into every "%s" place as it stands,
// while values from the table, the name service or the user go in as quoted literals.

#include <initializer_list>
#include <string>
#include <string_view>

// `pattern` with its "%s" places filled by `values` in order; places beyond the values stay
// empty.
std::string FormatSql(std::string_view pattern, std::initializer_list<std::string_view> values);

// `pattern` with every "%s" place filled by the table base name.
std::string FormatWithBase(std::string_view pattern, std::string_view base);

// Values go into statements as StatementTextLiteral (db/SqlLiteral.h): the one literal that
// means exactly its bytes, quotes and 0x00 included, on every driver.
