#include "textfiles/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
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

// Renaming over a link would turn it into a plain file and leave the file it named behind.
std::filesystem::path FileToReplace(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::filesystem::path(path) : resolved;
}

FileReplaceResult Failed(bool opened) {
    return {.error = errno, .opened = opened};
}

// Renaming over a device would remove it, and there is nothing to keep intact anyway.
FileReplaceResult WriteInPlace(const std::filesystem::path& target, std::string_view contents) {
    FileDescriptor file(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!file.IsOpen()) return Failed(false);
    if (!WriteAll(file.Get(), contents) || file.Close() != 0) return Failed(true);
    return {.error = 0, .opened = true};
}

}  // namespace

FileReplaceResult ReplaceFileAtomically(const std::string& path, std::string_view contents) {
    const std::filesystem::path target = FileToReplace(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A folder is reported like any file that cannot be opened for writing.
        if (S_ISDIR(existing.st_mode)) {
            errno = EISDIR;
            return Failed(false);
        }
        return WriteInPlace(target, contents);
    }
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";

    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> tempName(pattern.begin(), pattern.end());
    tempName.push_back('\0');
    FileDescriptor temp(::mkostemp(tempName.data(), O_CLOEXEC));
    if (!temp.IsOpen()) return Failed(false);

    // mkostemp gives 0600; the owner of an existing file may have chosen otherwise (a project
    // shared with a group), and saving must not undo that.
    bool written = (!exists || ::fchmod(temp.Get(), existing.st_mode & 07777) == 0) &&
                   WriteAll(temp.Get(), contents) && ::fsync(temp.Get()) == 0;
    written = temp.Close() == 0 && written;
    if (!written || ::rename(tempName.data(), target.c_str()) != 0) {
        const FileReplaceResult failure = Failed(true);
        ::unlink(tempName.data());
        return failure;
    }
    SyncFolder(folder);
    return {.error = 0, .opened = true};
}
