#include "textfiles/Utf8.h"

std::optional<Utf8CodePoint> ReadUtf8CodePoint(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) return Utf8CodePoint{lead, 1};
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
    if (bytes.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (c & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return Utf8CodePoint{value, length};
}

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto c = ReadUtf8CodePoint(bytes);
        if (!c) return false;
        bytes.remove_prefix(c->length);
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
