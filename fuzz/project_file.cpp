// Project files: whatever a user hands the File menu or --project must either load or be turned
// away, and what loaded must come back unchanged from a save, since the dialog saves it again.

#include <string>

#include "FuzzSupport.h"
#include "app/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fileName = WriteScratchFile("project.kpp", FuzzText(data, size));
    ExportSettings project;
    const ProjectLoadResult result = LoadProjectFile(fileName, project);
    FuzzCheck(result != ProjectLoadResult::Unreadable, "an existing file is readable");
    if (result != ProjectLoadResult::Loaded) {
        FuzzCheck(project == ExportSettings{}, "a refused file changes no setting");
        return 0;
    }

    const auto reparsed = ParseProjectFile(ProjectFileLines(project));
    FuzzCheck(reparsed && *reparsed == project, "a project survives its own lines");

    SilentChannel channel;
    const std::string savedName = (ScratchFolder() / "saved.kpp").string();
    FuzzCheck(SaveProjectFile(savedName, project, &channel), "a project can be saved");
    ExportSettings reloaded;
    FuzzCheck(
        LoadProjectFile(savedName, reloaded) == ProjectLoadResult::Loaded && reloaded == project,
        "a saved project loads as it was");
    return 0;
}
