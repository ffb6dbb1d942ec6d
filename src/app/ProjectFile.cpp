#include "app/ProjectFile.h"

#include <utility>

#include "app/IniText.h"
#include "passes/ProgressChannel.h"

namespace {

constexpr const char* kLogFileKey = "Weblog file";
constexpr const char* kConnectionKey = "Connection string";
constexpr const char* kTableKey = "Table base name";
constexpr const char* kResetKey = "Reset contents First";
constexpr const char* kIncludeKey = "Include extensions";
constexpr const char* kPageHitKey = "PageHitExtensions";
constexpr const char* kAutoDnsKey = "Automatic reverse DNS";

// A value holding a line break (or the byte that ends a text file) is cut when read back from
// its plain line, so it is written a second time under this key suffix with its bytes escaped.
// The plain line is still written as every project file has it, so a reader that knows only the
// plain keys gets what it always got; the escaped line only adds the whole value for readers
// that know it. Other values keep the plain form alone, where a backslash is just a backslash.
constexpr const char* kEscapedSuffix = " (escaped)";

bool LineFormatCannotHold(const std::string& value) {
    return value.find_first_of("\r\n\x1A") != std::string::npos;
}

// Reading stops at the end-of-file byte, so written as it stands it would hide every line after
// it; a plain reader gets the value up to that byte either way.
std::string PlainValue(const std::string& value) {
    return value.substr(0, value.find('\x1A'));
}

std::string GetText(const CStringArrayPBEx& lines, const std::string& key) {
    if (lines.FindKey(key + kEscapedSuffix) != CStringArrayPBEx::kNotFound)
        return UnescapeIniText(lines.GetValue(key + kEscapedSuffix));
    return lines.GetValue(key);
}

const char* YesNo(bool flag) {
    return flag ? "Y" : "N";
}

}  // namespace

CStringArrayPBEx ProjectFileLines(const ExportSettings& project) {
    CStringArrayPBEx lines;
    lines.Add(ProjectHeader);
    lines.Add("Version=1.0");
    // In the order of the file; empty values are left out.
    const std::pair<const char*, std::string> entries[] = {
        {kLogFileKey, project.logFile},       {kConnectionKey, project.connectionString},
        {kTableKey, project.tableBaseName},   {kResetKey, YesNo(project.resetTable)},
        {kIncludeKey, project.includeExts},   {kPageHitKey, project.pageHitExts},
        {kAutoDnsKey, YesNo(project.autoDns)}};
    // Before every plain line: the continuation lines of a plain value with line breaks could
    // otherwise come first and be taken for an escaped line, as the first matching line wins.
    for (const auto& [key, value] : entries) {
        if (LineFormatCannotHold(value))
            lines.SetValue(std::string(key) + kEscapedSuffix, EscapeIniBytes(value));
    }
    for (const auto& [key, value] : entries) lines.SetValue(key, PlainValue(value));
    return lines;
}

std::optional<ExportSettings> ParseProjectFile(const CStringArrayPBEx& lines) {
    if (lines.IsEmpty() || lines[0] != ProjectHeader) return std::nullopt;
    ExportSettings project;
    project.logFile = GetText(lines, kLogFileKey);
    project.connectionString = GetText(lines, kConnectionKey);
    project.tableBaseName = GetText(lines, kTableKey);
    project.resetTable = lines.GetValue("Reset contents first") == "Y";
    project.includeExts = GetText(lines, kIncludeKey);
    project.pageHitExts = GetText(lines, kPageHitKey);
    project.autoDns = lines.GetValue(kAutoDnsKey) == "Y";
    return project;
}

ProjectLoadResult LoadProjectFile(const std::string& fileName, ExportSettings& settings) {
    CStringArrayPBEx lines;
    if (!lines.LoadFromFile(fileName)) return ProjectLoadResult::Unreadable;
    std::optional<ExportSettings> parsed = ParseProjectFile(lines);
    if (!parsed) return ProjectLoadResult::NotAProjectFile;
    parsed->dnsWorkers = settings.dnsWorkers;
    settings = std::move(*parsed);
    return ProjectLoadResult::Loaded;
}

bool SaveProjectFile(const std::string& fileName, const ExportSettings& project,
                     ProgressChannel* messages) {
    return ProjectFileLines(project).SaveToFile(fileName, messages);
}
