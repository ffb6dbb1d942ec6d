#include "cli/TerminalWindowServices.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>

#include "app/CErrorLogDlg.h"
#include "cli/Interrupts.h"
#include "pipeline/StdioFile.h"
#include "textfiles/FileErrorText.h"

namespace {

constexpr int kBarWidth = 30;

void Write(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

}  // namespace

TerminalWindowServices::TerminalWindowServices(Settings settings)
    : settings_(std::move(settings)) {}

TerminalWindowServices::~TerminalWindowServices() {
    ClearLine();
}

const TerminalWindowServices::Control& TerminalWindowServices::Find(int id) const {
    static const Control kUnseen;
    auto it = controls_.find(id);
    return it == controls_.end() ? kUnseen : it->second;
}

void TerminalWindowServices::ShowControl(int id, bool visible) {
    controls_[id].visible = visible;
    if (id == ControlId::Progress || id == ControlId::Status) Redraw();
}

bool TerminalWindowServices::IsControlVisible(int id) const {
    return Find(id).visible;
}

void TerminalWindowServices::EnableControl(int id, bool enabled) {
    controls_[id].enabled = enabled;
}

bool TerminalWindowServices::IsControlEnabled(int id) const {
    return Find(id).enabled;
}

void TerminalWindowServices::SetControlText(int id, const std::string& text) {
    controls_[id].text = text;
    if (id == ControlId::Status) Redraw();
}

std::string TerminalWindowServices::GetControlText(int id) const {
    return Find(id).text;
}

void TerminalWindowServices::SetCheck(int id, bool checked) {
    controls_[id].checked = checked;
}

bool TerminalWindowServices::GetCheck(int id) const {
    return Find(id).checked;
}

void TerminalWindowServices::SetProgressRange(int low, int high) {
    low_ = low;
    high_ = high;
    Redraw();
}

void TerminalWindowServices::SetProgressPos(int pos) {
    pos_ = pos;
    Redraw();
}

std::string TerminalWindowServices::ProgressLine() const {
    std::string line;
    const bool statusShown = Find(ControlId::Status).visible;
    const bool barShown = Find(ControlId::Progress).visible;
    if (statusShown) line = Find(ControlId::Status).text;
    if (barShown) {
        const int span = std::max(1, high_ - low_);
        const int percent = std::clamp((pos_ - low_) * 100 / span, 0, 100);
        const int filled = percent * kBarWidth / 100;
        if (!line.empty()) line += ' ';
        line += '[' + std::string(static_cast<std::size_t>(filled), '#') +
                std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " +
                std::to_string(percent) + '%';
    }
    return line;
}

void TerminalWindowServices::Redraw() {
    if (!settings_.drawProgress) return;
    const std::string line = ProgressLine();
    if (line == drawn_) return;
    if (line.empty()) {
        ClearLine();
        return;
    }
    // Carriage return and "erase to the end of the line": the one line is drawn over itself.
    Write(settings_.out, "\r" + line + "\x1b[K");
    drawn_ = line;
}

void TerminalWindowServices::ClearLine() {
    if (drawn_.empty()) return;
    Write(settings_.out, "\r\x1b[K");
    drawn_.clear();
}

namespace {

// The dialog's messages break their lines with CR LF, and data quoted in them may hold a CR of
// its own; on a terminal a CR returns to the start of the line and the text before it is
// overwritten.
std::string TerminalText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
        } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
            out += '\n';
        }
    }
    return out;
}

}  // namespace

void TerminalWindowServices::PrintNote(const std::string& text) {
    ClearLine();
    Write(settings_.err, TerminalText(text) + "\n");
    Redraw();
}

ProgressChannel::Answer TerminalWindowServices::MessageBox(const std::string& text,
                                                           MessageType type) {
    if (type == MessageType::Ok) {
        PrintNote(text);
        return Answer::Ok;
    }
    PrintNote(text + "\n(answered No)");
    return Answer::No;
}

void TerminalWindowServices::PumpMessages() {
    if (TakePauseRequest() && onInterrupt) onInterrupt();
}

std::optional<std::string> TerminalWindowServices::ShowFileDialog(const FileDialogRequest&) {
    return std::nullopt;
}

// The list is written a line at a time: it may be far larger than the memory it is kept in.
void TerminalWindowServices::RunErrorLogDialog(CErrorLogDlg& dialog) {
    const SpillingLineList& badLines = dialog.BadLineList();
    if (settings_.errorLogFile.empty()) {
        ClearLine();
        CErrorLogDlg::WriteText(badLines, [&](std::string_view piece) {
            const std::string shown = TerminalText(std::string(piece));
            std::fwrite(shown.data(), 1, shown.size(), settings_.err);
        });
        std::fflush(settings_.err);
        return;
    }
    errno = 0;
    int error = 0;
    StdioFile file(std::fopen(settings_.errorLogFile.c_str(), "wb"));
    if (!file) {
        error = errno;
    } else {
        CErrorLogDlg::WriteText(badLines, [&](std::string_view piece) {
            if (error == 0 &&
                std::fwrite(piece.data(), 1, piece.size(), file.get()) != piece.size())
                error = errno != 0 ? errno : EIO;
        });
        if (std::fclose(file.release()) != 0 && error == 0) error = errno != 0 ? errno : EIO;
        if (error == 0) return;
    }
    errorLogWritten_ = false;
    MessageBox(FileErrorText(error, settings_.errorLogFile), MessageType::Ok);
}

void TerminalWindowServices::RunAboutDialog(const std::string& versionLine) {
    ClearLine();
    Write(settings_.out, versionLine + "\n");
}

std::optional<std::string> TerminalWindowServices::RunConnectionDialog(const std::string&) {
    return std::nullopt;
}

bool TerminalWindowServices::OpenUrl(const std::string&) {
    return false;
}

bool TerminalWindowServices::OpenHelpFile(const std::string&, int) {
    return false;
}

void TerminalWindowServices::EndDialog(int) {}
