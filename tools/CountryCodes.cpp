#include "CountryCodes.h"

#include <optional>

#include "textfiles/Utf8.h"

namespace {

std::optional<unsigned> HexQuad(std::string_view text, std::size_t at) {
    if (at + 4 > text.size()) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

class JsonScanner {
  public:
    explicit JsonScanner(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return text_[pos_]; }
    void Skip() { ++pos_; }
    void SkipSpace() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
            ++pos_;
    }

    // Reads the string whose opening quote is the current character.
    std::string ReadString() {
        std::string out;
        ++pos_;
        while (!AtEnd() && Peek() != '"') {
            char c = text_[pos_++];
            if (c != '\\' || AtEnd()) {
                out += c;
                continue;
            }
            char escape = text_[pos_++];
            switch (escape) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u':
                    out += ReadUnicodeEscape();
                    break;
                default:
                    out += escape;  // \" \\ \/
            }
        }
        if (!AtEnd()) ++pos_;  // closing quote
        return out;
    }

  private:
    std::string ReadUnicodeEscape() {
        std::string out;
        auto high = HexQuad(text_, pos_);
        if (!high) return out;
        pos_ += 4;
        unsigned codePoint = *high;
        if (codePoint >= 0xD800 && codePoint < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
            if (auto low = HexQuad(text_, pos_ + 2); low && *low >= 0xDC00 && *low < 0xE000) {
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (*low - 0xDC00);
                pos_ += 6;
            }
        }
        AppendUtf8(out, static_cast<char32_t>(codePoint));
        return out;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

CountryCodeTable ParseIsoCountryCodes(std::string_view json) {
    CountryCodeTable table;
    JsonScanner scanner(json);
    std::map<std::string, std::string> entry;
    auto finishEntry = [&] {
        auto a2 = entry.find("alpha_2"), a3 = entry.find("alpha_3"), name = entry.find("name");
        if (a2 != entry.end() && a3 != entry.end() && name != entry.end())
            table[a2->second] = CountryNames{a3->second, name->second};
        entry.clear();
    };
    while (!scanner.AtEnd()) {
        char c = scanner.Peek();
        if (c == '{' || c == '}') {
            finishEntry();
            scanner.Skip();
        } else if (c == '"') {
            std::string key = scanner.ReadString();
            scanner.SkipSpace();
            if (scanner.AtEnd() || scanner.Peek() != ':') continue;
            scanner.Skip();
            scanner.SkipSpace();
            if (!scanner.AtEnd() && scanner.Peek() == '"') entry[key] = scanner.ReadString();
        } else {
            scanner.Skip();
        }
    }
    return table;
}

void AddRegistryCodes(CountryCodeTable& table) {
    // "UK" is reserved for the United Kingdom and means GB; CS and AN are withdrawn codes whose
    // former three-letter codes are well known. EU and AP (registry blocks for Europe and the
    // Asia-Pacific region) have no three-letter code, so they keep their two letters.
    const std::pair<const char*, CountryNames> extras[] = {
        {"UK", {"GBR", "United Kingdom"}},       {"CS", {"SCG", "Serbia and Montenegro"}},
        {"AN", {"ANT", "Netherlands Antilles"}}, {"XK", {"XKX", "Kosovo"}},
        {"EU", {"EU", "European Union"}},        {"AP", {"AP", "Asia/Pacific Region"}},
    };
    for (const auto& [code, names] : extras) table.try_emplace(code, names);
}
