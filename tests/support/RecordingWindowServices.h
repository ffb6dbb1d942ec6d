#pragma once
// A WindowServices that records everything the dialogs do to the screen: each control's text,
// visibility, enabled and check state, every message box text, progress positions, file dialog
// requests, sub-dialog runs and URLs. Message boxes and file dialogs are answered from queues
// (an empty queue answers Yes/OK, and Cancel for a file dialog). `onPump` runs inside
// PumpMessages, so a test can click in the middle of long work; `onErrorLog` runs inside the
// error log dialog's run, so a test can drive that dialog.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/WindowServices.h"

class RecordingWindowServices : public WindowServices {
  public:
    struct Control {
        std::string text;
        bool visible = true;
        bool enabled = true;
        bool checked = false;
        bool operator==(const Control&) const = default;
    };

    std::map<int, Control> controls;
    std::vector<std::string> messages;
    std::deque<Answer> answers;
    std::vector<int> positions;
    int rangeLow = 0, rangeHigh = 100;
    int pumps = 0;
    int waitCursorDepth = 0;
    // The wait cursor's depth whenever a modal window (a message box, the error log, a file
    // dialog, About, the connection dialog) came up.
    std::vector<int> modalCursorDepths;
    std::function<void()> onPump;
    std::vector<FileDialogRequest> fileDialogRequests;
    std::deque<std::optional<std::string>> fileDialogAnswers;
    int errorLogRuns = 0;
    std::function<void(CErrorLogDlg&)> onErrorLog;
    std::vector<std::string> aboutLines;
    std::deque<std::optional<std::string>> connectionDialogAnswers;
    std::vector<std::string> urlsOpened;
    std::vector<std::pair<std::string, int>> helpFilesOpened;
    bool openSucceeds = true;
    std::vector<int> endDialogResults;

    // Controls the fake has not seen yet start visible, enabled, unchecked and empty.
    Control& At(int id) { return controls[id]; }

    void ShowControl(int id, bool visible) override { At(id).visible = visible; }
    bool IsControlVisible(int id) const override { return Find(id).visible; }
    void EnableControl(int id, bool enabled) override { At(id).enabled = enabled; }
    bool IsControlEnabled(int id) const override { return Find(id).enabled; }
    void SetControlText(int id, const std::string& text) override { At(id).text = text; }
    std::string GetControlText(int id) const override { return Find(id).text; }
    void SetCheck(int id, bool checked) override { At(id).checked = checked; }
    bool GetCheck(int id) const override { return Find(id).checked; }

    void SetProgressRange(int low, int high) override {
        rangeLow = low;
        rangeHigh = high;
    }
    void SetProgressPos(int pos) override {
        pos_ = pos;
        positions.push_back(pos);
    }
    int GetProgressPos() const override { return pos_; }
    void StepProgress() override { SetProgressPos(pos_ + 10); }

    Answer MessageBox(const std::string& text, MessageType type) override {
        messages.push_back(text);
        modalCursorDepths.push_back(waitCursorDepth);
        Answer answer = type == MessageType::Ok ? Answer::Ok : Answer::Yes;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        return answer;
    }
    void PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
    }
    void BeginWaitCursor() override { ++waitCursorDepth; }
    void EndWaitCursor() override { --waitCursorDepth; }

    std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override {
        fileDialogRequests.push_back(request);
        modalCursorDepths.push_back(waitCursorDepth);
        return Next(fileDialogAnswers);
    }
    void RunErrorLogDialog(CErrorLogDlg& dialog) override {
        ++errorLogRuns;
        modalCursorDepths.push_back(waitCursorDepth);
        if (onErrorLog) onErrorLog(dialog);
    }
    void RunAboutDialog(const std::string& versionLine) override {
        aboutLines.push_back(versionLine);
        modalCursorDepths.push_back(waitCursorDepth);
    }
    std::optional<std::string> RunConnectionDialog(const std::string&) override {
        modalCursorDepths.push_back(waitCursorDepth);
        return Next(connectionDialogAnswers);
    }
    bool OpenUrl(const std::string& url) override {
        urlsOpened.push_back(url);
        return openSucceeds;
    }
    bool OpenHelpFile(const std::string& path, int contextId) override {
        helpFilesOpened.emplace_back(path, contextId);
        return openSucceeds;
    }
    void EndDialog(int result) override { endDialogResults.push_back(result); }

  private:
    const Control& Find(int id) const {
        static const Control kUnseen;
        auto it = controls.find(id);
        return it == controls.end() ? kUnseen : it->second;
    }
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& queue) {
        if (queue.empty()) return std::nullopt;
        std::optional<std::string> answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }

    int pos_ = 0;
};
