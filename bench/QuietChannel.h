#pragma once
// The progress channel of the benchmarks: no screen, messages on stderr so that a failing run
// says why, and a hook that lets a benchmark act while the work pumps messages (the pause
// button).

#include <cstdio>
#include <functional>
#include <string>

#include "passes/ProgressChannel.h"

class QuietChannel : public ProgressChannel {
  public:
    std::function<void()> onPump;

    Answer MessageBox(const std::string& text, MessageType) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return Answer::Ok;
    }
    void ShowProgress(bool) override {}
    void ShowStatus(bool) override {}
    void SetStatusText(const std::string&) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int pos) override { pos_ = pos; }
    void StepProgress() override { pos_ += 10; }
    int GetProgressPos() const override { return pos_; }
    void PumpMessages() override {
        if (onPump) onPump();
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void ShowLookupRunning(bool) override {}

  private:
    int pos_ = 0;
};
