#include "support/ScopedMount.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

const char* const kFiller = "/filler";

std::string Failure(const char* what) {
    return std::string(what) + " failed (" + std::strerror(errno) +
           "); mounting needs root with the right to mount, as CI has";
}

}  // namespace

ScopedMount ScopedMount::SmallDisk(const std::string& where, const std::string& size) {
    ScopedMount mount;
    const std::string options = "size=" + size + ",mode=0755";
    if (::mount("tmpfs", where.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        mount.whyNot_ = Failure("mounting a tmpfs");
        return mount;
    }
    mount.target_ = where;
    return mount;
}

ScopedMount ScopedMount::ReadOnly(const std::string& path) {
    ScopedMount mount;
    if (::mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        mount.whyNot_ = Failure("a bind mount");
        return mount;
    }
    mount.target_ = path;
    // A bind mount takes the read-only flag only when mounted again.
    if (::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        mount.whyNot_ = Failure("making a bind mount read-only");
        ::umount2(path.c_str(), MNT_DETACH);
        mount.target_.clear();
    }
    return mount;
}

ScopedMount::ScopedMount(ScopedMount&& other) noexcept
    : target_(std::exchange(other.target_, std::string())), whyNot_(std::move(other.whyNot_)) {}

ScopedMount::~ScopedMount() {
    // Detached, so that a file still open somewhere does not keep the mount in place.
    if (Mounted()) ::umount2(target_.c_str(), MNT_DETACH);
}

void ScopedMount::FillUp(std::uintmax_t leave) const {
    const std::string filler = target_ + kFiller;
    {
        std::ofstream out(filler, std::ios::binary | std::ios::app);
        const std::vector<char> block(1 << 16, 'x');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size()))) {
        }
    }
    std::error_code ignored;
    const std::uintmax_t size = std::filesystem::file_size(filler, ignored);
    if (leave > 0 && size != static_cast<std::uintmax_t>(-1))
        std::filesystem::resize_file(filler, size > leave ? size - leave : 0, ignored);
}

void ScopedMount::MakeRoom() const {
    std::error_code ignored;
    std::filesystem::remove(target_ + kFiller, ignored);
}
