#pragma once
// Mounts for fault tests, undone when the object goes: a small RAM file system (a disk that
// fills up) and a read-only view of a file or folder. Tests may run as root, where file
// permissions do not stop a write; a read-only mount does. Both need the right to mount: where
// it is missing, Mounted() is false and WhyNot() says why, so the test can skip with that note.

#include <cstdint>
#include <string>

class ScopedMount {
  public:
    // A tmpfs of `size` (mount's notation, "8m") at the existing folder `where`.
    static ScopedMount SmallDisk(const std::string& where, const std::string& size);
    // `path` (a file or a folder) made read-only in place.
    static ScopedMount ReadOnly(const std::string& path);

    ~ScopedMount();
    ScopedMount(ScopedMount&& other) noexcept;
    ScopedMount& operator=(ScopedMount&&) = delete;
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;

    bool Mounted() const { return !target_.empty(); }
    // A small disk filled to the last byte (or to `leave` bytes short of it) by a file of its
    // own, and that file removed again.
    void FillUp(std::uintmax_t leave = 0) const;
    void MakeRoom() const;
    const std::string& WhyNot() const { return whyNot_; }

  private:
    ScopedMount() = default;

    std::string target_;  // empty when nothing is mounted
    std::string whyNot_;
};
