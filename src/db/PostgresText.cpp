#include "db/PostgresText.h"

#include <cstdint>
#include <optional>

namespace {

constexpr char32_t kEscapeBase = 0xE000;   // first byte b of an escaped text: U+E000 + b
constexpr char32_t kEscapedZero = 0xE000;  // a later 0x00 byte of an escaped text

struct CodePoint {
    char32_t value;
    std::size_t length;
};

// The code point at the start of `s`, or nothing when `s` does not start with well-formed UTF-8.
std::optional<CodePoint> ReadCodePoint(std::string_view s) {
    if (s.empty()) return std::nullopt;
    const auto lead = static_cast<unsigned char>(s[0]);
    if (lead < 0x80) return CodePoint{lead, 1};
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (s.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (c & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return CodePoint{value, length};
}

void AppendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        // Only the Basic Multilingual Plane is ever produced here.
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsEscapeMarker(char32_t c) {
    return c >= kEscapeBase && c <= kEscapeBase + 0xFF;
}

bool CanStoreUnchanged(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos || !IsValidUtf8(bytes)) return false;
    const auto first = ReadCodePoint(bytes);
    return !first || !IsEscapeMarker(first->value);
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto c = ReadCodePoint(bytes);
        if (!c) return false;
        bytes.remove_prefix(c->length);
    }
    return true;
}

std::string EncodePostgresText(std::string_view bytes) {
    if (CanStoreUnchanged(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2 + 1);
    AppendCodePoint(out, kEscapeBase + static_cast<unsigned char>(bytes[0]));
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        AppendCodePoint(out, b == 0 ? kEscapedZero : char32_t{b});
    }
    return out;
}

std::string DecodePostgresText(std::string_view stored) {
    const auto first = ReadCodePoint(stored);
    if (!first || !IsEscapeMarker(first->value)) return std::string(stored);
    std::string out;
    out.reserve(stored.size());
    out += static_cast<char>(first->value - kEscapeBase);
    for (std::string_view rest = stored.substr(first->length); !rest.empty();) {
        const auto c = ReadCodePoint(rest);
        if (!c) return std::string(stored);
        if (c->value == kEscapedZero)
            out += '\0';
        else if (c->value >= 0x01 && c->value <= 0xFF)
            out += static_cast<char>(c->value);
        else
            return std::string(stored);  // not our escaped form: leave it as the server has it
        rest.remove_prefix(c->length);
    }
    return out;
}
