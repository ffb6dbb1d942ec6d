#pragma once
// The escaping rule of the settings file (described in SettingsStore.h), kept apart so that the
// file handling does not mix with byte-level encoding.

#include <optional>
#include <string>
#include <string_view>

// The blanks around keys, values and "=": a line's other control bytes belong to the text.
inline constexpr std::string_view kIniBlanks = " \t";

std::string EscapeIniKey(std::string_view key);
std::string EscapeIniValue(std::string_view value);
// The byte escapes alone, without the quoting of values: the result holds no control byte.
std::string EscapeIniBytes(std::string_view text);
// Undoes either escape; unknown escapes keep their character, so hand-edited files still load.
std::string UnescapeIniText(std::string_view text);

// The parts of one "key=value" line, unescaped, or nothing for a line that is not an entry.
struct IniEntry {
    std::string key;
    std::string value;
};
std::optional<IniEntry> ParseIniEntry(std::string_view line);
// The unescaped name of a "[section]" line, or nothing.
std::optional<std::string> ParseIniSection(std::string_view line);
