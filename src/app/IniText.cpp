#include "app/IniText.h"

#include "textfiles/AsciiText.h"

namespace {

bool IsBlank(char c) {
    return kIniBlanks.find(c) != std::string_view::npos;
}

std::string_view Trim(std::string_view text) {
    return TrimAscii(text, kIniBlanks);
}

void AppendHexEscape(std::string& out, unsigned char c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
}

void AppendEscaped(std::string& out, unsigned char c) {
    switch (c) {
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (c < 0x20 || c == 0x7F)
        AppendHexEscape(out, c);
    else
        out += static_cast<char>(c);
}

// A literal "=" ends the key, so the key's own "=" characters are escaped; a key written at the
// start of a line must not look like a comment or a section either.
bool NeedsKeyEscape(unsigned char c, bool first) {
    return c == '=' || (first && (c == ';' || c == '#' || c == '[' || IsBlank(c)));
}

}  // namespace

std::string EscapeIniKey(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (std::size_t i = 0; i < key.size(); ++i) {
        auto c = static_cast<unsigned char>(key[i]);
        bool last = i + 1 == key.size();
        if (NeedsKeyEscape(c, i == 0) || (last && IsBlank(c)))
            AppendHexEscape(out, c);
        else
            AppendEscaped(out, c);
    }
    return out;
}

std::string EscapeIniBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) AppendEscaped(out, c);
    return out;
}

std::string EscapeIniValue(std::string_view value) {
    std::string out = EscapeIniBytes(value);
    // Tabs are already escaped, so only spaces can still stand at either end.
    bool quote =
        !value.empty() && (value.front() == ' ' || value.back() == ' ' || value.front() == '"');
    return quote ? "\"" + out + "\"" : out;
}

std::string UnescapeIniText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        char next = text[++i];
        switch (next) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x':
                if (i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
                    HexDigitValue(text[i + 2]) >= 0) {
                    out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 +
                                             HexDigitValue(text[i + 2]));
                    i += 2;
                } else {
                    out += next;
                }
                break;
            default:
                out += next;
                break;
        }
    }
    return out;
}

std::optional<IniEntry> ParseIniEntry(std::string_view line) {
    std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' ||
        trimmed.front() == '[')
        return std::nullopt;
    std::size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view value = Trim(trimmed.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return IniEntry{UnescapeIniText(Trim(trimmed.substr(0, eq))), UnescapeIniText(value)};
}

std::optional<std::string> ParseIniSection(std::string_view line) {
    std::string_view trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return std::nullopt;
    return UnescapeIniText(Trim(trimmed.substr(1, trimmed.size() - 2)));
}
