#include "textfiles/DataFiles.h"

#include <cstdlib>
#include <filesystem>

std::string ProgramFilePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string ProgramFolder() {
    if (const char* dir = std::getenv("KESTRELPORT_DATA_DIR"); dir && *dir) {
        std::string folder(dir);
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    return std::filesystem::path(ProgramFilePath()).parent_path().string();
}

std::string DataFilePath(const std::string& fileName) {
    std::string folder = ProgramFolder();
    return folder.empty() || folder == "/" ? folder + fileName : folder + "/" + fileName;
}
