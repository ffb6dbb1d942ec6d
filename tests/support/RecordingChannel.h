#pragma once
// A ProgressChannel that records everything: message box texts, status texts, progress
// positions and visibility. Message boxes answer with `nextAnswer`. `onPump` runs inside
// PumpMessages, so a test can click a button in the middle of long work.

#include <functional>
#include <string>
#include <vector>

#include "textfiles/ProgressChannel.h"

class RecordingChannel : public ProgressChannel {
public:
    std::vector<std::string> messages;
    std::vector<std::string> statusTexts;
    std::vector<int> positions;
    bool progressVisible = false;
    bool statusVisible = false;
    bool everShowedProgress = false;
    int rangeLow = 0, rangeHigh = 100;
    int pumps = 0;
    int waitCursorDepth = 0;
    bool lookupRunning = false;
    std::vector<bool> lookupRunningChanges;
    Answer nextAnswer = Answer::Yes;
    std::function<void()> onPump;

    Answer MessageBox(const std::string& text, MessageType type) override {
        messages.push_back(text);
        return type == MessageType::Ok ? Answer::Ok : nextAnswer;
    }
    void ShowProgress(bool visible) override {
        progressVisible = visible;
        everShowedProgress = everShowedProgress || visible;
    }
    void ShowStatus(bool visible) override { statusVisible = visible; }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void SetProgressRange(int low, int high) override {
        rangeLow = low;
        rangeHigh = high;
    }
    void SetProgressPos(int pos) override {
        pos_ = pos;
        positions.push_back(pos);
    }
    void StepProgress() override { SetProgressPos(pos_ + 10); }
    int GetProgressPos() const override { return pos_; }
    void PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
    }
    void BeginWaitCursor() override { ++waitCursorDepth; }
    void EndWaitCursor() override { --waitCursorDepth; }
    void ShowLookupRunning(bool running) override {
        lookupRunning = running;
        lookupRunningChanges.push_back(running);
    }

private:
    int pos_ = 0;
};
