#pragma once
// A ProgressChannel that records everything: message box texts, status texts, progress
// positions and visibility. Message boxes answer with `nextAnswer`. `onPump` runs inside
// PumpMessages, so a test can click a button in the middle of long work.

#include <functional>
#include <vector>

#include "passes/ProgressChannel.h"
#include "support/RecordingMessages.h"

class RecordingChannel : public RecordingMessages<ProgressChannel> {
  public:
    std::vector<int> positions;
    bool progressVisible = false;
    bool everShowedProgress = false;
    int rangeLow = 0, rangeHigh = 100;
    int pumps = 0;
    int waitCursorDepth = 0;
    bool lookupRunning = false;
    std::vector<bool> lookupRunningChanges;
    std::function<void()> onPump;

    void ShowProgress(bool visible) override {
        progressVisible = visible;
        everShowedProgress = everShowedProgress || visible;
    }
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
