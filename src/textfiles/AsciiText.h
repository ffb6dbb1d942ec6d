#pragma once
// Letter case and white space as ASCII defines them. The answers never depend on the locale the
// program runs in (the desktop program takes on the user's), and bytes from 0x80 up, parts of
// UTF-8 or Latin-1 texts, are never changed: names, keys and SQL words of this program are ASCII,
// and the databases fold only ASCII letters in names as well.

#include <string>
#include <string_view>

// The C locale's white space: space, tab, line feed, vertical tab, form feed and CR.
inline constexpr std::string_view kAsciiWhiteSpace = " \t\n\v\f\r";

// Inline: they run for fields of every log line.
constexpr bool IsAsciiWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool IsAsciiLetterOrDigit(char c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c);
}
// The value of a hex digit of either case, or -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
constexpr char ToLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToLowerAscii(std::string text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// `text` without the characters of `blanks` at its ends (at its start, at its end).
std::string_view TrimAscii(std::string_view text, std::string_view blanks = kAsciiWhiteSpace);
std::string_view TrimAsciiStart(std::string_view text, std::string_view blanks = kAsciiWhiteSpace);
std::string_view TrimAsciiEnd(std::string_view text, std::string_view blanks = kAsciiWhiteSpace);
