#include "textfiles/CStringArrayPBEx.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "textfiles/AsciiText.h"

namespace {

// A 256-entry membership table makes the delimiter test one load per byte.
std::array<bool, 256> DelimiterTable(std::string_view delimiters) {
    std::array<bool, 256> table{};
    for (unsigned char c : delimiters) table[c] = true;
    return table;
}

// The key is the first run of characters other than "=" after any leading "=".
std::string_view KeyOf(std::string_view entry) {
    std::size_t start = entry.find_first_not_of('=');
    if (start == std::string_view::npos) return {};
    std::size_t end = entry.find('=', start);
    return entry.substr(start,
                        end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string_view ValueOf(std::string_view entry) {
    std::size_t eq = entry.find('=');
    return eq == std::string_view::npos ? entry : entry.substr(eq + 1);
}

}  // namespace

void CStringArrayPBEx::RemoveAt(Index i) {
    items_.erase(items_.begin() + i);
}

void CStringArrayPBEx::Split(std::string_view text, std::string_view delimiters) {
    items_.clear();
    const auto table = DelimiterTable(delimiters);
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (table[static_cast<unsigned char>(text[i])]) {
            items_.emplace_back(text.substr(pieceStart, i - pieceStart));
            pieceStart = i + 1;
        }
    }
    if (pieceStart < text.size()) items_.emplace_back(text.substr(pieceStart));
}

int CStringArrayPBEx::CompareEntries(std::string_view a, std::string_view b) {
    // std::string_view compares with char_traits<char>, which compares as unsigned char.
    int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

void CStringArrayPBEx::Sort() {
    std::sort(items_.begin(), items_.end(),
              [](const std::string& a, const std::string& b) { return CompareEntries(a, b) < 0; });
}

CStringArrayPBEx::Index CStringArrayPBEx::Find(std::string_view value) const {
    for (Index i = 0; i < GetSize(); ++i) {
        if (GetAt(i) == value) return i;
    }
    return kNotFound;
}

CStringArrayPBEx::Index CStringArrayPBEx::FindSorted(std::string_view value) const {
    Index low = 0;
    Index high = GetSize() - 1;
    while (low <= high) {
        Index middle = (low + high) / 2;
        int c = CompareEntries(GetAt(middle), value);
        if (c == 0) return middle;
        if (c > 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return kNotFound;
}

CStringArrayPBEx::Index CStringArrayPBEx::FindFirstWithDot() const {
    for (Index i = 0; i < GetSize(); ++i) {
        if (GetAt(i).find('.') != std::string::npos) return i;
    }
    return kNotFound;
}

CStringArrayPBEx::Index CStringArrayPBEx::FindKey(std::string_view key) const {
    for (Index i = 0; i < GetSize(); ++i) {
        std::string_view k = KeyOf(GetAt(i));
        if (k == key || EqualsIgnoringAsciiCase(k, key)) return i;
    }
    return kNotFound;
}

std::string CStringArrayPBEx::GetValue(std::string_view key) const {
    Index i = FindKey(key);
    return i == kNotFound ? std::string() : std::string(ValueOf(GetAt(i)));
}

void CStringArrayPBEx::SetValue(std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append("=").append(value);
    Index i = FindKey(key);
    if (!value.empty()) {
        if (i == kNotFound)
            Add(std::move(line));
        else
            items_[static_cast<std::size_t>(i)] = std::move(line);
    } else if (i != kNotFound) {
        RemoveAt(i);
    }
}
