#include "db/SqlLiteral.h"

#include <regex>

#include "textfiles/AsciiText.h"
#include "textfiles/QuotedText.h"

std::string StatementTextLiteral(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string out = "CAST(X'";
        for (const unsigned char c : bytes) {
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        return out + "' AS TEXT)";
    }
    return QuotedByDoubling(bytes, '\'');
}

std::optional<std::string> BytesFromHex(std::string_view digits) {
    if (digits.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexDigitValue(digits[i]), low = HexDigitValue(digits[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::string UnlessAlreadyHolding(const std::string& column, const std::string& value,
                                 const char* differs) {
    static const std::regex literal(R"('[^']*')");
    if (!std::regex_match(value, literal)) return {};
    return std::string(" AND ") + column + " " + differs + " " + value;
}
