#include "textfiles/CZipper.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "textfiles/CStringArrayPBEx.h"

namespace {

// Bounds for the chunks of ReadAll, which follow the compressed size: a tiny file that unpacks
// to much text would otherwise need a read call per few bytes, and the library cannot deliver
// more than INT_MAX bytes in one read.
constexpr std::size_t kMinChunkSize = std::size_t{1} << 16;
constexpr std::size_t kMaxChunkSize = std::size_t{1} << 30;
constexpr std::size_t kLineBlockSize = std::size_t{1} << 20;
constexpr unsigned kLibraryBufferSize = 1u << 17;

}  // namespace

CGZip::~CGZip() {
    if (file_) gzclose(file_);
}

bool CGZip::Open(const std::string& fileName, OpenMode mode) {
    if (IsOpen() || mode != OpenMode::Read) return false;
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(fileName, error);
    if (error || !fs::exists(status) || fs::is_directory(status)) return false;
    if (!std::ifstream(fileName, std::ios::binary)) return false;
    const std::uintmax_t size = fs::file_size(fileName, error);

    file_ = gzopen(fileName.c_str(), "rb");
    if (!file_) return false;
    gzbuffer(file_, kLibraryBufferSize);
    mode_ = OpenMode::Read;
    fileName_ = fileName;
    compressedSize_ = error ? 0 : static_cast<std::size_t>(size);
    return true;
}

bool CGZip::Close() {
    if (!file_) return false;
    const int result = gzclose(file_);
    file_ = nullptr;
    mode_ = OpenMode::Closed;
    return result == Z_OK;
}

long CGZip::ReadBlock(char* block, std::size_t size) {
    const int count = gzread(file_, block, static_cast<unsigned>(size));
    if (count != 0) return count < 0 ? -1 : count;
    // The library reports a stream cut short only through its error state, as a quiet end.
    int state = Z_OK;
    gzerror(file_, &state);
    return state == Z_OK ? 0 : -1;
}

bool CGZip::Rewind() {
    return IsOpen() && gzrewind(file_) == 0;
}

bool CGZip::ReadAll(std::unique_ptr<char[]>& buffer, std::size_t& length) {
    length = 0;
    if (!IsOpen() || mode_ != OpenMode::Read || compressedSize_ == 0) return false;
    const std::size_t chunkSize = std::clamp(compressedSize_, kMinChunkSize, kMaxChunkSize);
    std::vector<std::string> chunks;
    for (;;) {
        std::string chunk(chunkSize, '\0');
        const long count = ReadBlock(chunk.data(), chunk.size());
        if (count < 0) return false;
        if (count == 0) break;
        chunk.resize(static_cast<std::size_t>(count));
        length += chunk.size();
        chunks.push_back(std::move(chunk));
    }
    auto whole = std::make_unique<char[]>(length);
    std::size_t at = 0;
    for (std::string& chunk : chunks) {
        std::copy(chunk.begin(), chunk.end(), whole.get() + at);
        at += chunk.size();
        std::string().swap(chunk);
    }
    buffer = std::move(whole);
    return length != 0;
}

bool CGZip::ReadLines(CStringArrayPBEx& lines, CStringArrayPBEx::LoneCr loneCr) {
    if (!IsOpen() || mode_ != OpenMode::Read) return false;
    LineCollector collector(lines.Items(), LineCollector::CarriageReturn::Kept, loneCr);
    // Left uninitialised: only the bytes a read delivers are looked at, and zeroing a megabyte
    // for every small file would cost more than reading it.
    auto block = std::make_unique_for_overwrite<char[]>(kLineBlockSize);
    for (;;) {
        const long count = ReadBlock(block.get(), kLineBlockSize);
        if (count < 0) return false;
        if (count == 0) break;
        collector.Append(std::string_view(block.get(), static_cast<std::size_t>(count)));
    }
    collector.Finish();
    return true;
}

std::string CGZip::LastError() const {
    if (!file_) return {};
    int state = Z_OK;
    std::string reason = gzerror(file_, &state);
    const std::string prefix = fileName_ + ": ";
    if (reason.compare(0, prefix.size(), prefix) == 0) reason.erase(0, prefix.size());
    return reason;
}
