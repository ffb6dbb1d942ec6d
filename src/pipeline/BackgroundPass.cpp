#include "pipeline/BackgroundPass.h"

#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "passes/ProgressChannel.h"

namespace {

// Thrown inside an abandoned pass where it waits for its turn, so that it unwinds without
// storing anything.
struct PassAbandoned {};

// How often the export's thread looks at the background pass's progress while it waits.
constexpr std::chrono::milliseconds kRelayInterval{30};

}  // namespace

// What the background pass has reported so far, kept for the export's thread to show. Every
// member is guarded by the mutex: the pass writes from its thread, FinishOn reads from the other.
class BackgroundPass::HeldReports : public ProgressChannel {
  public:
    struct State {
        // How often each was made visible, so that one shown and hidden again before FinishOn
        // looked is still shown once.
        int progressShows = 0;
        int statusShows = 0;
        bool progressVisible = false;
        bool statusVisible = false;
        std::string status;
        int low = 0;
        int high = 100;
        int pos = 0;
    };

    Answer MessageBox(const std::string& text, MessageType type) override {
        std::lock_guard lock(mutex_);
        messages_.push_back(text);
        return type == MessageType::Ok ? Answer::Ok : Answer::No;
    }
    void ShowStatus(bool visible) override {
        Change([&](State& s) {
            s.statusShows += visible ? 1 : 0;
            s.statusVisible = visible;
        });
    }
    void SetStatusText(const std::string& text) override {
        Change([&](State& s) { s.status = text; });
    }
    void ShowProgress(bool visible) override {
        Change([&](State& s) {
            s.progressShows += visible ? 1 : 0;
            s.progressVisible = visible;
        });
    }
    void SetProgressRange(int low, int high) override {
        Change([&](State& s) {
            s.low = low;
            s.high = high;
        });
    }
    void SetProgressPos(int pos) override {
        Change([&](State& s) { s.pos = pos; });
    }
    void StepProgress() override {
        Change([](State& s) { s.pos += 10; });
    }
    int GetProgressPos() const override {
        std::lock_guard lock(mutex_);
        return state_.pos;
    }
    // Nothing to pump on this thread, and no cursor or buttons of its own: FinishOn pumps.
    void PumpMessages() override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void ShowLookupRunning(bool) override {}

    // The state now, and the messages that came since the last call.
    std::pair<State, std::vector<std::string>> Take() {
        std::lock_guard lock(mutex_);
        return {state_, std::exchange(messages_, {})};
    }

  private:
    template <typename Edit>
    void Change(Edit&& edit) {
        std::lock_guard lock(mutex_);
        edit(state_);
    }

    mutable std::mutex mutex_;
    State state_;
    std::vector<std::string> messages_;
};

namespace {

// Brings `channel` from what it last showed (`shown`) to `now`, with the messages in between: a
// bar or status that appears does so first, one that goes does so after the messages, as it did
// when the pass ran on the channel itself.
template <typename State>
void Show(ProgressChannel& channel, State& shown, const State& now,
          const std::vector<std::string>& messages) {
    const bool progressAppears = now.progressShows > shown.progressShows && !shown.progressVisible;
    const bool statusAppears = now.statusShows > shown.statusShows && !shown.statusVisible;
    if (progressAppears) channel.ShowProgress(true);
    if (statusAppears) channel.ShowStatus(true);
    if (now.status != shown.status) channel.SetStatusText(now.status);
    if (now.low != shown.low || now.high != shown.high) channel.SetProgressRange(now.low, now.high);
    if (now.pos != shown.pos) channel.SetProgressPos(now.pos);
    for (const std::string& text : messages) channel.MessageBox(text);
    if (!now.progressVisible && (shown.progressVisible || progressAppears))
        channel.ShowProgress(false);
    if (!now.statusVisible && (shown.statusVisible || statusAppears)) channel.ShowStatus(false);
    shown = now;
}

}  // namespace

BackgroundPass::BackgroundPass(Pass pass) : reports_(std::make_unique<HeldReports>()) {
    std::shared_future<void> turn = turnToStore_.get_future().share();
    done_ = std::async(std::launch::async, [pass = std::move(pass), turn, &reports = *reports_] {
        pass(reports, [&turn] { turn.get(); });
    });
}

// Reached without FinishOn only when the pass before failed in a way it could not report: the
// export is ending, and this pass must not change the table after it.
BackgroundPass::~BackgroundPass() {
    GiveTurn(std::make_exception_ptr(PassAbandoned{}));
    if (done_.valid()) done_.wait();
}

void BackgroundPass::GiveTurn(std::exception_ptr abandoned) {
    if (turnGiven_) return;
    turnGiven_ = true;
    if (abandoned) {
        turnToStore_.set_exception(abandoned);
    } else {
        turnToStore_.set_value();
    }
}

void BackgroundPass::FinishOn(ProgressChannel& channel) {
    // The channel starts out as the pass before left it, bar and status hidden, its range and
    // position whatever that pass made them: the first Show sets both.
    HeldReports::State shown;
    shown.low = shown.high = shown.pos = std::numeric_limits<int>::min();
    const auto showWhatCame = [&] {
        auto [now, messages] = reports_->Take();
        Show(channel, shown, now, messages);
    };
    // The pass's status is on screen before its changes go to the table, as when it ran alone.
    showWhatCame();
    GiveTurn();
    while (done_.wait_for(kRelayInterval) != std::future_status::ready) {
        showWhatCame();
        channel.PumpMessages();
    }
    showWhatCame();
    done_.get();
}
