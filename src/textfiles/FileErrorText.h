#pragma once
// The text shown when a file cannot be opened, read or written: the failure is sorted into one
// cause, and the cause's sentence names the file.

#include <string>

enum class FileErrorCause {
    None,
    Generic,
    NotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    RemoveCurrentDir,
    DirectoryFull,
    BadSeek,
    HardwareError,
    SharingViolation,
    LockViolation,
    DiskFull,
    EndOfFile,
};

// Sorts an errno value into a cause; values without a closer match are Generic.
FileErrorCause FileErrorCauseOf(int errnoValue);

// The cause's sentence with the file name as given ("an unnamed file" when empty), at most 254
// bytes long.
std::string FileErrorText(FileErrorCause cause, const std::string& fileName);
std::string FileErrorText(int errnoValue, const std::string& fileName);
