#pragma once
// An owned file descriptor and the few system calls around it that every reader and writer of
// files in this program needs.

#include <string>
#include <string_view>

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Reset(-1); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Reset(int fd);
    // Closes now so that a failure of the final write-back can still be reported.
    int Close();

  private:
    int fd_;
};

// Opens for reading; a folder counts as a failed open (EISDIR), because reading it would only
// fail later with a less helpful error. Returns errno of the failure, 0 on success.
int OpenForReading(const std::string& fileName, FileDescriptor& file);

// One read(2) that retries when a signal interrupts it: the count, 0 at the end, -1 with errno.
long ReadSome(int fd, char* block, std::size_t size);

// Writes every byte, retrying short and interrupted writes; false with errno on a failure.
bool WriteAll(int fd, std::string_view bytes);
