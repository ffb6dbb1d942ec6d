#include "textfiles/DataFiles.h"

#include <cstdlib>
#include <filesystem>

namespace {

std::string OverrideFolder() {
    const char* dir = std::getenv("KESTRELPORT_DATA_DIR");
    if (!dir || !*dir) return {};
    std::string folder(dir);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string InFolder(const std::string& folder, const std::string& fileName) {
    return folder.empty() || folder == "/" ? folder + fileName : folder + "/" + fileName;
}

}  // namespace

std::string ProgramFilePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string ProgramFolder() {
    if (std::string folder = OverrideFolder(); !folder.empty()) return folder;
    return std::filesystem::path(ProgramFilePath()).parent_path().string();
}

std::string DataFilePath(const std::string& fileName) {
    // An explicit folder is taken as it stands: a file missing there is reported as missing,
    // not quietly taken from an installed copy.
    if (std::string folder = OverrideFolder(); !folder.empty()) return InFolder(folder, fileName);
    const std::string besideProgram = InFolder(ProgramFolder(), fileName);
    std::error_code ec;
    if (std::filesystem::exists(besideProgram, ec)) return besideProgram;
    const std::filesystem::path installed =
        std::filesystem::path(ProgramFolder()).parent_path() / "share" / "kestrelport";
    if (std::filesystem::is_directory(installed, ec)) return (installed / fileName).string();
    return besideProgram;
}
