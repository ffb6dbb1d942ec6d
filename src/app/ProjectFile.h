#pragma once
// Project files: the main dialog's choices in a small text file of "key=value" lines after a
// fixed header line, so that a user can keep several export set-ups. Shared by the dialog's File
// menu and the terminal program's --project option.

#include <optional>
#include <string>

#include "app/ExportSettings.h"
#include "textfiles/CStringArrayPBEx.h"

class ProgressChannel;

inline constexpr const char* ProjectHeader = "- Kestrelport Project File -";

// The file's lines: the header, "Version=1.0", then the seven values a project keeps; empty
// texts are left out, and so is the worker count.
CStringArrayPBEx ProjectFileLines(const ExportSettings& project);
// Nothing when the first line is not the header. Missing keys give empty texts and false; the
// worker count is 0.
std::optional<ExportSettings> ParseProjectFile(const CStringArrayPBEx& lines);

enum class ProjectLoadResult { Loaded, Unreadable, NotAProjectFile };
// Replaces the seven values a project keeps, only when the result is Loaded; the worker count,
// which no project holds, stays.
ProjectLoadResult LoadProjectFile(const std::string& fileName, ExportSettings& settings);
// Each failed attempt is shown through `messages` when given.
bool SaveProjectFile(const std::string& fileName, const ExportSettings& project,
                     ProgressChannel* messages);
