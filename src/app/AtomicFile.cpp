#include "app/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "textfiles/FileDescriptor.h"

namespace {

// The rename itself lives in the folder's entries; flushing the folder makes it survive a crash.
void SyncFolder(const std::filesystem::path& folder) {
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view contents) {
    std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);

    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> tempName(pattern.begin(), pattern.end());
    tempName.push_back('\0');
    FileDescriptor temp(::mkostemp(tempName.data(), O_CLOEXEC));
    if (temp.Get() < 0) return false;

    bool written = WriteAll(temp.Get(), contents) && ::fsync(temp.Get()) == 0;
    written = temp.Close() == 0 && written;
    if (!written || ::rename(tempName.data(), path.c_str()) != 0) {
        ::unlink(tempName.data());
        return false;
    }
    SyncFolder(folder);
    return true;
}
