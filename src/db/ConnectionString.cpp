#include "db/ConnectionString.h"

#include "db/CADOException.h"
#include "db/DbError.h"
#include "textfiles/AsciiText.h"

namespace {

// The program's dialogs parse connection strings as well as the drivers, so a rejection is the
// layer's public exception from the start.
[[noreturn]] void Reject(const std::string& why) {
    throw CADOException(kErrorUnspecified, why);
}

// Reads one value starting at `pos` (just after '='), up to the ';' that ends the entry or the end
// of the text. Leaves `pos` on that ';' or at the end.
std::string ReadValue(const std::string& text, std::size_t& pos) {
    while (pos < text.size() && IsAsciiWhiteSpace(text[pos])) ++pos;
    if (pos < text.size() && text[pos] == '"') {
        std::string value;
        for (++pos;; ++pos) {
            if (pos >= text.size())
                Reject("The connection string has a quoted value without its closing quote.");
            if (text[pos] != '"') {
                value += text[pos];
            } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
                value += '"';
                ++pos;
            } else {
                break;
            }
        }
        for (++pos; pos < text.size() && text[pos] != ';'; ++pos) {
            if (!IsAsciiWhiteSpace(text[pos]))
                Reject("The connection string has text after a quoted value; put ';' after it.");
        }
        return value;
    }
    std::size_t end = text.find(';', pos);
    if (end == std::string::npos) end = text.size();
    std::string value(TrimAscii(std::string_view(text).substr(pos, end - pos)));
    pos = end;
    return value;
}

}  // namespace

ConnectionString ConnectionString::Parse(const std::string& text) {
    ConnectionString result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t equals = text.find_first_of("=;", pos);
        if (equals == std::string::npos || text[equals] == ';') {
            const std::string_view stray = TrimAscii(std::string_view(text).substr(
                pos, (equals == std::string::npos ? text.size() : equals) - pos));
            if (!stray.empty())
                Reject("The connection string is not a list of Key=Value pairs separated by ';'.");
            pos = equals == std::string::npos ? text.size() : equals + 1;
            continue;
        }
        std::string key(TrimAscii(std::string_view(text).substr(pos, equals - pos)));
        if (key.empty()) Reject("The connection string has a value without a key before '='.");
        pos = equals + 1;
        std::string value = ReadValue(text, pos);
        result.entries_.emplace_back(std::move(key), std::move(value));
        if (pos < text.size()) ++pos;  // the ';'
    }
    if (result.entries_.empty()) Reject("The connection string is empty.");
    return result;
}

std::optional<std::string> ConnectionString::Find(const std::string& key) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (EqualsIgnoringAsciiCase(it->first, key)) return it->second;
    }
    return std::nullopt;
}

std::string ConnectionString::Value(const std::string& key) const {
    return Find(key).value_or(std::string());
}
