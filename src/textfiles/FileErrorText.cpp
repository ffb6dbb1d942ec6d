#include "textfiles/FileErrorText.h"

#include <cerrno>
#include <filesystem>
#include <string_view>

namespace {

constexpr std::size_t kMaxTextLength = 254;

std::string_view Pattern(FileErrorCause cause) {
    switch (cause) {
        case FileErrorCause::None:
            return "No error occurred.";
        case FileErrorCause::Generic:
            break;
        case FileErrorCause::NotFound:
            return "%1 was not found.";
        case FileErrorCause::BadPath:
            return "%1 contains an incorrect path.";
        case FileErrorCause::TooManyOpenFiles:
            return "Could not open %1 because there are too many open files.";
        case FileErrorCause::AccessDenied:
            return "Access to %1 was denied.";
        case FileErrorCause::InvalidFile:
            return "An incorrect file handle was associated with %1.";
        case FileErrorCause::RemoveCurrentDir:
            return "Could not remove %1 because it is the current directory.";
        case FileErrorCause::DirectoryFull:
            return "Could not create %1 because the directory is full.";
        case FileErrorCause::BadSeek:
            return "Seek failed on %1";
        case FileErrorCause::HardwareError:
            return "Encountered a hardware I/O error while accessing %1.";
        case FileErrorCause::SharingViolation:
            return "Encountered a sharing violation while accessing %1.";
        case FileErrorCause::LockViolation:
            return "Encountered a locking violation while accessing %1.";
        case FileErrorCause::DiskFull:
            return "Disk full while accessing %1.";
        case FileErrorCause::EndOfFile:
            return "Attempted to access %1 past its end.";
    }
    return "An unknown error occurred while accessing %1.";
}

// Message boxes show UTF-8; a cut inside a multi-byte character would leave an invalid byte
// sequence at the end, so the cut moves back to the start of that character.
void CutToLength(std::string& text, std::size_t maxLength) {
    if (text.size() <= maxLength) return;
    std::size_t cut = maxLength;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
}

}  // namespace

FileErrorCause FileErrorCauseOf(int errnoValue) {
    switch (errnoValue) {
        case 0:
            return FileErrorCause::None;
        case ENOENT:
            return FileErrorCause::NotFound;
        // A folder given where a file is expected lands here too: the name does not lead to a
        // file, which is what the path sentence tells the user.
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EISDIR:
            return FileErrorCause::BadPath;
        case EMFILE:
        case ENFILE:
            return FileErrorCause::TooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
            return FileErrorCause::AccessDenied;
        case EBADF:
            return FileErrorCause::InvalidFile;
        case EMLINK:
            return FileErrorCause::DirectoryFull;
        case ESPIPE:
            return FileErrorCause::BadSeek;
        case EIO:
        case ENXIO:
        case ENODEV:
            return FileErrorCause::HardwareError;
        case ETXTBSY:
        case EBUSY:
            return FileErrorCause::SharingViolation;
        case ENOLCK:
        case EDEADLK:
            return FileErrorCause::LockViolation;
        case ENOSPC:
        case EDQUOT:
            return FileErrorCause::DiskFull;
        default:
            return FileErrorCause::Generic;
    }
}

std::string FileErrorText(FileErrorCause cause, const std::string& fileName) {
    const std::string_view pattern = Pattern(cause);
    const std::string_view name =
        fileName.empty() ? std::string_view("an unnamed file") : std::string_view(fileName);
    std::string text;
    const std::size_t at = pattern.find("%1");
    if (at == std::string_view::npos) {
        text = pattern;
    } else {
        text.reserve(pattern.size() + name.size());
        text.append(pattern.substr(0, at)).append(name).append(pattern.substr(at + 2));
    }
    CutToLength(text, kMaxTextLength);
    return text;
}

std::string FileErrorText(int errnoValue, const std::string& fileName) {
    FileErrorCause cause = FileErrorCauseOf(errnoValue);
    // The system reports a missing folder on the way as a missing file; the user is better
    // served by being told that the path is wrong.
    if (cause == FileErrorCause::NotFound) {
        const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
        std::error_code error;
        if (!folder.empty() && !std::filesystem::is_directory(folder, error))
            cause = FileErrorCause::BadPath;
    }
    return FileErrorText(cause, fileName);
}
