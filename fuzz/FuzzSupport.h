#pragma once
// What the fuzz targets share: the check that turns a broken promise into a finding, a scratch
// folder for readers that only take file names, and a progress channel that shows nothing.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "passes/ProgressChannel.h"

// The fuzzer's bytes as text; every reader of the program takes arbitrary bytes.
inline std::string_view FuzzText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Aborts with `what` on stderr when `holds` is false. libFuzzer treats the abort as a crash and
// keeps the input, so a wrong result is a finding just like a sanitizer report.
void FuzzCheck(bool holds, const char* what);

// A folder of this process under the system's temporary folder, made at first use and removed
// when the process ends normally. Each target writes its input there under a fixed name.
const std::filesystem::path& ScratchFolder();

// Replaces `name` in the scratch folder by `bytes` and returns its full name.
std::string WriteScratchFile(const std::string& name, std::string_view bytes);

// Swallows everything. A message box is answered with "OK" or "No" (never with consent to
// anything) and the last text is kept, so that a target can tell that a reader complained.
class SilentChannel : public ProgressChannel {
  public:
    Answer MessageBox(const std::string& text, MessageType type) override {
        lastMessage = text;
        return type == MessageType::Ok ? Answer::Ok : Answer::No;
    }
    void ShowProgress(bool) override {}
    void ShowStatus(bool) override {}
    void SetStatusText(const std::string&) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int pos) override { pos_ = pos; }
    void StepProgress() override { pos_ += 10; }
    int GetProgressPos() const override { return pos_; }
    void PumpMessages() override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void ShowLookupRunning(bool) override {}

    std::string lastMessage;

  private:
    int pos_ = 0;
};
