#include "app/SettingsStore.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "app/IniText.h"
#include "textfiles/AsciiText.h"
#include "textfiles/AtomicFile.h"

namespace {

// The lines as they stand, carriage returns included: a rewrite gives back every line it does
// not change byte for byte. Dropping the CR here and writing the lines back with bare line feeds
// would cut one more CR off a value ending in one at every write of any other setting.
std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(std::move(line));
    return lines;
}

// A line as entries and sections are read from it: without the CR of a CR LF line break.
std::string_view LineText(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

struct EntryPosition {
    std::optional<std::size_t> entryLine;
    // Where a new entry of the section goes: after its last non-blank line.
    std::optional<std::size_t> sectionEnd;
};

// Section and key names match regardless of ASCII case, as the platform store's names do.
EntryPosition FindEntry(const std::vector<std::string>& lines, std::string_view section,
                        std::string_view key) {
    EntryPosition found;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = LineText(lines[i]);
        if (auto name = ParseIniSection(line)) {
            inSection = EqualsIgnoringAsciiCase(*name, section);
            if (inSection && !found.sectionEnd) found.sectionEnd = i + 1;
            continue;
        }
        if (!inSection) continue;
        if (line.find_first_not_of(kIniBlanks) != std::string_view::npos) found.sectionEnd = i + 1;
        if (found.entryLine) continue;
        if (auto entry = ParseIniEntry(line); entry && EqualsIgnoringAsciiCase(entry->key, key))
            found.entryLine = i;
    }
    return found;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) return user->pw_dir;
    return ".";
}

}  // namespace

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

std::string SettingsStore::DefaultPath() {
    // A relative XDG_CONFIG_HOME is invalid by the variable's own rules and is ignored.
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        folder = config;
    else
        folder = HomeFolder() + "/.config";
    return folder + "/Quillmoor/Kestrelport.conf";
}

std::string SettingsStore::ReadText(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    std::vector<std::string> lines = ReadLines(path_);
    EntryPosition position = FindEntry(lines, section, key);
    if (!position.entryLine) return std::string(defaultValue);
    return ParseIniEntry(LineText(lines[*position.entryLine]))->value;
}

int SettingsStore::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    std::string text = ReadText(section, key, {});
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return defaultValue;
    return value;
}

bool SettingsStore::WriteText(std::string_view section, std::string_view key,
                              std::string_view value) {
    std::vector<std::string> lines = ReadLines(path_);
    std::string entry = EscapeIniKey(key) + "=" + EscapeIniValue(value);
    EntryPosition position = FindEntry(lines, section, key);
    if (position.entryLine) {
        lines[*position.entryLine] = std::move(entry);
    } else if (position.sectionEnd) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*position.sectionEnd),
                     std::move(entry));
    } else {
        if (!lines.empty() && !LineText(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + EscapeIniKey(section) + "]");
        lines.push_back(std::move(entry));
    }
    std::string contents;
    for (const std::string& line : lines) contents.append(line).append("\n");
    // The settings folder may not exist yet on a fresh account.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    return ReplaceFileAtomically(path_, contents).Succeeded();
}

bool SettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteText(section, key, std::to_string(value));
}
