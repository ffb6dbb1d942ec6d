#pragma once
// Reading and writing UTF-8 one code point at a time, for the places that keep arbitrary bytes
// through a text-only medium (PostgreSQL text columns, Qt strings) and must tell well-formed
// UTF-8 from the rest byte for byte.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct Utf8CodePoint {
    char32_t value;
    std::size_t length;  // in bytes
};

// The code point at the start of `bytes`, or nothing when `bytes` does not start with
// well-formed UTF-8: overlong forms, surrogates and values above U+10FFFF are not.
std::optional<Utf8CodePoint> ReadUtf8CodePoint(std::string_view bytes);

// True when all of `bytes` is well-formed UTF-8 in the sense of ReadUtf8CodePoint.
bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of `c`, which must be a Unicode scalar value.
void AppendUtf8(std::string& out, char32_t c);
