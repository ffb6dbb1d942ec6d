// The settings file's text: any section, key and value must survive the escaping, and an entry
// read from a hand-edited line must read the same once written back. The input is
// "section NUL key NUL value NUL store text"; missing parts are empty.

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "app/IniText.h"
#include "app/SettingsStore.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

struct Parts {
    std::string_view section, key, value, store;
};

Parts SplitAtNul(std::string_view text) {
    std::array<std::string_view, 4> parts{};
    for (std::size_t i = 0; i < parts.size() - 1 && !text.empty(); ++i) {
        const std::size_t nul = text.find('\0');
        parts[i] = text.substr(0, nul);
        text = nul == std::string_view::npos ? std::string_view() : text.substr(nul + 1);
    }
    parts[3] = text;
    return {parts[0], parts[1], parts[2], parts[3]};
}

bool HasControlByte(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

void CheckEscapes(const Parts& p) {
    const auto entry = ParseIniEntry(EscapeIniKey(p.key) + "=" + EscapeIniValue(p.value));
    FuzzCheck(entry && entry->key == p.key && entry->value == p.value,
              "a key and value survive their escaping");
    FuzzCheck(ParseIniSection("[" + EscapeIniKey(p.section) + "]") == std::string(p.section),
              "a section name survives its escaping");
    FuzzCheck(!ParseIniEntry("[" + EscapeIniKey(p.section) + "]"), "a section line is no entry");
    const std::string bytes = EscapeIniBytes(p.store);
    FuzzCheck(!HasControlByte(bytes), "escaped bytes hold no control byte");
    FuzzCheck(UnescapeIniText(bytes) == p.store, "escaped bytes unescape to themselves");
}

// A hand-edited line is read leniently; writing what was read and reading it again must not
// drift, or every save of the settings would change a user's value a little more.
void CheckHandEditedLines(std::string_view store) {
    CStringArrayPBEx lines;
    lines.Split(store, "\n");
    for (const std::string& line : lines) {
        if (const auto entry = ParseIniEntry(line)) {
            const auto again =
                ParseIniEntry(EscapeIniKey(entry->key) + "=" + EscapeIniValue(entry->value));
            FuzzCheck(again && again->key == entry->key && again->value == entry->value,
                      "an entry read from a line is written back as the same entry");
        }
        if (const auto section = ParseIniSection(line))
            FuzzCheck(ParseIniSection("[" + EscapeIniKey(*section) + "]") == *section,
                      "a section read from a line is written back as the same section");
    }
}

bool SameName(std::string_view a, std::string_view b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return fold(x) == fold(y);
           });
}

struct Setting {
    std::string section, key;
};

// The first entry of the text that lies inside a section, which a write elsewhere must not touch.
std::optional<Setting> FirstSetting(std::string_view store) {
    CStringArrayPBEx lines;
    lines.Split(store, "\n");
    std::optional<std::string> section;
    for (const std::string& line : lines) {
        if (auto name = ParseIniSection(line)) {
            section = std::move(name);
        } else if (auto entry = ParseIniEntry(line); entry && section) {
            return Setting{*section, entry->key};
        }
    }
    return std::nullopt;
}

// Through the store's file, as the programs use it: a written value reads back, and writing one
// setting leaves the others alone, whatever the file held before.
void CheckStore(const Parts& p) {
    SettingsStore store(WriteScratchFile("settings.conf", p.store));
    const auto other = FirstSetting(p.store);
    const bool otherIsWritten =
        other && SameName(other->section, p.section) && SameName(other->key, p.key);
    const std::string absent = "\x01" "absent";
    const std::string before = other ? store.ReadText(other->section, other->key, absent) : absent;

    FuzzCheck(store.WriteText(p.section, p.key, p.value), "the store can be written");
    FuzzCheck(store.ReadText(p.section, p.key, absent) == p.value, "a written setting reads back");
    if (other && !otherIsWritten)
        FuzzCheck(store.ReadText(other->section, other->key, absent) == before,
                  "writing one setting leaves another alone");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Parts parts = SplitAtNul(FuzzText(data, size));
    CheckEscapes(parts);
    CheckHandEditedLines(parts.store);
    CheckStore(parts);
    return 0;
}
