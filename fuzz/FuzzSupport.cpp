#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace {

class ProcessFolder {
  public:
    ProcessFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("kestrelport-fuzz-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~ProcessFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ProcessFolder(const ProcessFolder&) = delete;
    ProcessFolder& operator=(const ProcessFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace

void FuzzCheck(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "\nbroken promise: %s\n", what);
    std::abort();
}

const std::filesystem::path& ScratchFolder() {
    static const ProcessFolder folder;
    return folder.Path();
}

std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
    const std::string fileName = (ScratchFolder() / name).string();
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    // Without the file there is nothing to fuzz; failing loudly beats a run that tests nothing.
    if (!out) throw std::runtime_error("cannot write the scratch file " + fileName);
    return fileName;
}
