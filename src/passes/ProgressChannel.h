#pragma once
// The narrow, toolkit-free channel through which long operations report to the user: the
// progress bar, the one-line status text, message boxes, the wait cursor and the message pump.
// The main dialog implements it over its window services; the passes, the pipeline and the
// dialog's handlers know only this interface. It lives with the passes, the lowest layer that
// needs all of it; the file readers below need only its messages (textfiles/MessageChannel.h).

#include <string>

#include "textfiles/MessageChannel.h"

class ProgressChannel : public MessageChannel {
  public:
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int pos) = 0;
    // Advances the bar by its step size (10).
    virtual void StepProgress() = 0;
    virtual int GetProgressPos() const = 0;

    // Handles pending user input without blocking; commands of the dialog may run inside.
    virtual void PumpMessages() = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // The reverse DNS buttons: 1010 reads "Pause IP->Hostnames" and "Go!" is disabled while
    // lookups run; "IP->Hostnames" and "Go!" enabled otherwise.
    virtual void ShowLookupRunning(bool running) = 0;
};

// Hides both progress controls when it goes out of scope, so that no failure path leaves a
// stale bar on the idle dialog.
class ProgressScope {
  public:
    explicit ProgressScope(ProgressChannel& channel) : channel_(channel) {}
    ~ProgressScope() {
        channel_.ShowProgress(false);
        channel_.ShowStatus(false);
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    ProgressChannel& channel_;
};
