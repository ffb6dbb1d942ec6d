#include "db/PostgresText.h"

#include "textfiles/Utf8.h"

namespace {

constexpr char32_t kEscapeBase = 0xE000;   // first byte b of an escaped text: U+E000 + b
constexpr char32_t kEscapedZero = 0xE000;  // a later 0x00 byte of an escaped text

bool IsEscapeMarker(char32_t c) {
    return c >= kEscapeBase && c <= kEscapeBase + 0xFF;
}

bool CanStoreUnchanged(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos || !IsValidUtf8(bytes)) return false;
    const auto first = ReadUtf8CodePoint(bytes);
    return !first || !IsEscapeMarker(first->value);
}

}  // namespace

std::string EncodePostgresText(std::string_view bytes) {
    if (CanStoreUnchanged(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2 + 1);
    AppendUtf8(out, kEscapeBase + static_cast<unsigned char>(bytes[0]));
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        AppendUtf8(out, b == 0 ? kEscapedZero : char32_t{b});
    }
    return out;
}

std::string DecodePostgresText(std::string_view stored) {
    const auto first = ReadUtf8CodePoint(stored);
    if (!first || !IsEscapeMarker(first->value)) return std::string(stored);
    std::string out;
    out.reserve(stored.size());
    out += static_cast<char>(first->value - kEscapeBase);
    for (std::string_view rest = stored.substr(first->length); !rest.empty();) {
        const auto c = ReadUtf8CodePoint(rest);
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
