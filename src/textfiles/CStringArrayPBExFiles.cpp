#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "textfiles/AtomicFile.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/FileDescriptor.h"
#include "textfiles/FileErrorText.h"
#include "textfiles/MessageChannel.h"

namespace {

// Large reads keep a million-line log to a few hundred system calls.
constexpr std::size_t kReadBlockSize = 1 << 20;
constexpr int kOpenAttempts = 5;
constexpr auto kRetryWait = std::chrono::milliseconds(100);

// Reads the open file to its end into `lines`. Returns errno of a failed read, 0 on success.
int ReadLines(const FileDescriptor& file, CStringArrayPBEx::CtrlZ ctrlZ,
              CStringArrayPBEx::LoneCr loneCr, std::vector<std::string>& lines) {
    LineCollector collector(lines, LineCollector::CarriageReturn::DroppedBeforeLineFeed, loneCr);
    // Left uninitialised: only the bytes a read delivers are looked at, and zeroing a megabyte
    // for every small data or project file would cost more than reading it.
    auto block = std::make_unique_for_overwrite<char[]>(kReadBlockSize);
    for (;;) {
        const long count = ReadSome(file.Get(), block.get(), kReadBlockSize);
        if (count < 0) return errno;
        if (count == 0) break;
        std::string_view bytes(block.get(), static_cast<std::size_t>(count));
        if (ctrlZ == CStringArrayPBEx::CtrlZ::EndsFile) {
            if (std::size_t end = bytes.find('\x1a'); end != std::string_view::npos) {
                collector.Append(bytes.substr(0, end));
                break;
            }
        }
        collector.Append(bytes);
    }
    collector.Finish();
    return 0;
}

void Show(MessageChannel* messages, const std::string& text) {
    if (messages) messages->MessageBox(text, MessageChannel::MessageType::Ok);
}

}  // namespace

std::string LineCollector::TakeLinesEndedByLoneCr(std::string line) {
    if (loneCr_ != CStringArrayPBEx::LoneCr::EndsLine) return line;
    std::size_t start = 0;
    // A CR as the line's last byte stood before its line feed: that one is not alone.
    for (std::size_t cr = line.find('\r'); cr != std::string::npos && cr + 1 < line.size();
         cr = line.find('\r', start)) {
        lines_.push_back(line.substr(start, cr - start));
        start = cr + 1;
    }
    return start == 0 ? line : line.substr(start);
}

void LineCollector::AddLine(std::string line) {
    line = TakeLinesEndedByLoneCr(std::move(line));
    if (carriageReturn_ == CarriageReturn::DroppedBeforeLineFeed && !line.empty() &&
        line.back() == '\r')
        line.pop_back();
    lines_.push_back(std::move(line));
}

void LineCollector::Append(std::string_view bytes) {
    while (!bytes.empty()) {
        const void* found = std::memchr(bytes.data(), '\n', bytes.size());
        if (!found) {
            partial_.append(bytes);
            return;
        }
        const auto length =
            static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
        if (partial_.empty()) {
            AddLine(std::string(bytes.substr(0, length)));
        } else {
            partial_.append(bytes.substr(0, length));
            AddLine(std::move(partial_));
            partial_.clear();
        }
        bytes.remove_prefix(length + 1);
    }
}

void LineCollector::Finish() {
    std::string last = TakeLinesEndedByLoneCr(std::move(partial_));
    partial_.clear();
    // Without a line feed after it, a CR at the very end is alone too.
    if (loneCr_ == CStringArrayPBEx::LoneCr::EndsLine && !last.empty() && last.back() == '\r')
        last.pop_back();
    if (!last.empty()) lines_.push_back(std::move(last));
}

bool CStringArrayPBEx::ReadTextFile(const std::string& fileName, bool quiet,
                                    MessageChannel* messages, CtrlZ ctrlZ, LoneCr loneCr) {
    FileDescriptor file(-1);
    int error = OpenForReading(fileName, file);
    std::vector<std::string> lines;
    if (error == 0) error = ReadLines(file, ctrlZ, loneCr, lines);
    if (error != 0) {
        if (!quiet) Show(messages, FileErrorText(error, fileName));
        return false;
    }
    items_.swap(lines);
    return true;
}

bool CStringArrayPBEx::LoadFromFile(const std::string& fileName) {
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0) return false;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        FileDescriptor file(-1);
        if (OpenForReading(fileName, file) == 0) {
            std::vector<std::string> lines;
            if (ReadLines(file, CtrlZ::EndsFile, LoneCr::IsData, lines) != 0) return false;
            items_.swap(lines);
            return true;
        }
        std::this_thread::sleep_for(kRetryWait);
    }
    return false;
}

bool CStringArrayPBEx::SaveToFile(const std::string& fileName, MessageChannel* messages) const {
    std::string contents;
    for (const std::string& item : items_) contents.append(item).append("\r\n");
    // Replaced whole, never truncated in place: a project holds a password, and a write that
    // fails half-way (a full disk) must leave the previous file as it was.
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        const FileReplaceResult result = ReplaceFileAtomically(fileName, contents);
        if (result.Succeeded()) return true;
        Show(messages, FileErrorText(result.error, fileName));
        // Another program may hold the file for a moment; a failed write would only fail again.
        if (result.opened) return false;
        std::this_thread::sleep_for(kRetryWait);
    }
    return false;
}
