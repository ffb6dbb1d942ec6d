#pragma once
// The table passes report a failure only as a message box on their channel and never throw or
// answer. A pass run over a FailureWatch tells its caller whether it failed: the watch hands
// every call on to the real channel unchanged and notes whether a message box went by.

#include <string>

#include "passes/ProgressChannel.h"

class FailureWatch : public ProgressChannel {
  public:
    explicit FailureWatch(ProgressChannel& channel) : channel_(channel) {}

    bool FailureReported() const { return failureReported_; }

    Answer MessageBox(const std::string& text, MessageType type = MessageType::Ok) override {
        // Failures come as OK boxes; a question would not be one.
        if (type == MessageType::Ok) failureReported_ = true;
        return channel_.MessageBox(text, type);
    }
    void ShowProgress(bool visible) override { channel_.ShowProgress(visible); }
    void ShowStatus(bool visible) override { channel_.ShowStatus(visible); }
    void SetStatusText(const std::string& text) override { channel_.SetStatusText(text); }
    void SetProgressRange(int low, int high) override { channel_.SetProgressRange(low, high); }
    void SetProgressPos(int pos) override { channel_.SetProgressPos(pos); }
    void StepProgress() override { channel_.StepProgress(); }
    int GetProgressPos() const override { return channel_.GetProgressPos(); }
    void PumpMessages() override { channel_.PumpMessages(); }
    void BeginWaitCursor() override { channel_.BeginWaitCursor(); }
    void EndWaitCursor() override { channel_.EndWaitCursor(); }
    void ShowLookupRunning(bool running) override { channel_.ShowLookupRunning(running); }

  private:
    ProgressChannel& channel_;
    bool failureReported_ = false;
};
