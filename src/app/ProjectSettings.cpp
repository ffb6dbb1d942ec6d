#include "app/ProjectSettings.h"

#include "app/IniText.h"

namespace {

constexpr const char* kLogFileKey = "Weblog file";
constexpr const char* kConnectionKey = "Connection string";
constexpr const char* kTableKey = "Table base name";
constexpr const char* kResetKey = "Reset contents First";
constexpr const char* kIncludeKey = "Include extensions";
constexpr const char* kPageHitKey = "PageHitExtensions";
constexpr const char* kAutoDnsKey = "Automatic reverse DNS";

// A value holding a line break (or the byte that ends a text file) would be cut on reading, so
// it goes under this key suffix with its bytes escaped. Other values keep the plain form that
// every project file has always had, where a backslash is just a backslash.
constexpr const char* kEscapedSuffix = " (escaped)";

bool LineFormatCannotHold(const std::string& value) {
    return value.find_first_of("\r\n\x1A") != std::string::npos;
}

void SetText(CStringArrayPBEx& lines, const std::string& key, const std::string& value) {
    if (LineFormatCannotHold(value))
        lines.SetValue(key + kEscapedSuffix, EscapeIniBytes(value));
    else
        lines.SetValue(key, value);
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

CStringArrayPBEx ProjectFileLines(const ProjectSettings& project) {
    CStringArrayPBEx lines;
    lines.Add(ProjectHeader);
    lines.Add("Version=1.0");
    SetText(lines, kLogFileKey, project.logFile);
    SetText(lines, kConnectionKey, project.connectionString);
    SetText(lines, kTableKey, project.tableBaseName);
    lines.SetValue(kResetKey, YesNo(project.resetTable));
    SetText(lines, kIncludeKey, project.includeExts);
    SetText(lines, kPageHitKey, project.pageHitExts);
    lines.SetValue(kAutoDnsKey, YesNo(project.autoDns));
    return lines;
}

std::optional<ProjectSettings> ParseProjectFile(const CStringArrayPBEx& lines) {
    if (lines.IsEmpty() || lines[0] != ProjectHeader) return std::nullopt;
    ProjectSettings project;
    project.logFile = GetText(lines, kLogFileKey);
    project.connectionString = GetText(lines, kConnectionKey);
    project.tableBaseName = GetText(lines, kTableKey);
    project.resetTable = lines.GetValue("Reset contents first") == "Y";
    project.includeExts = GetText(lines, kIncludeKey);
    project.pageHitExts = GetText(lines, kPageHitKey);
    project.autoDns = lines.GetValue(kAutoDnsKey) == "Y";
    return project;
}

ProjectLoadResult LoadProjectFile(const std::string& fileName, ProjectSettings& project) {
    CStringArrayPBEx lines;
    if (!lines.LoadFromFile(fileName)) return ProjectLoadResult::Unreadable;
    std::optional<ProjectSettings> parsed = ParseProjectFile(lines);
    if (!parsed) return ProjectLoadResult::NotAProjectFile;
    project = std::move(*parsed);
    return ProjectLoadResult::Loaded;
}

bool SaveProjectFile(const std::string& fileName, const ProjectSettings& project,
                     ProgressChannel* messages) {
    return ProjectFileLines(project).SaveToFile(fileName, messages);
}
