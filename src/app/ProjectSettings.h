#pragma once
// Project files: the main dialog's choices in a small text file of "key=value" lines after a
// fixed header line, so that a user can keep several export set-ups. Shared by the dialog's File
// menu and the terminal program's --project option.

#include <optional>
#include <string>

#include "textfiles/CStringArrayPBEx.h"

class ProgressChannel;

inline constexpr const char* ProjectHeader = "- Kestrelport Project File -";

struct ProjectSettings {
    std::string logFile;
    std::string connectionString;
    std::string tableBaseName;
    bool resetTable = false;
    std::string includeExts;
    std::string pageHitExts;
    bool autoDns = false;
    bool operator==(const ProjectSettings&) const = default;
};

// The file's lines: the header, "Version=1.0", then the values; empty texts are left out.
CStringArrayPBEx ProjectFileLines(const ProjectSettings& project);
// Nothing when the first line is not the header. Missing keys give empty texts and false.
std::optional<ProjectSettings> ParseProjectFile(const CStringArrayPBEx& lines);

enum class ProjectLoadResult { Loaded, Unreadable, NotAProjectFile };
// `project` is only changed when the result is Loaded.
ProjectLoadResult LoadProjectFile(const std::string& fileName, ProjectSettings& project);
// Each failed attempt is shown through `messages` when given.
bool SaveProjectFile(const std::string& fileName, const ProjectSettings& project,
                     ProgressChannel* messages);
