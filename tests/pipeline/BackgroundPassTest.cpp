// A pass run beside another: its reports reach the user's channel only through FinishOn, in the
// order it made them, and it may not change the table before FinishOn lets it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "pipeline/BackgroundPass.h"
#include "support/RecordingChannel.h"

namespace {

using namespace std::chrono_literals;

// Notes whether the pass had stored by the time its status reached the user.
class StatusAfterStoreChannel : public RecordingChannel {
  public:
    explicit StatusAfterStoreChannel(const std::atomic<bool>& stored) : stored_(stored) {}
    void SetStatusText(const std::string& text) override {
        storedBeforeStatus = storedBeforeStatus || stored_;
        RecordingChannel::SetStatusText(text);
    }
    bool storedBeforeStatus = false;

  private:
    const std::atomic<bool>& stored_;
};

TEST(BackgroundPass, ItsStatusShowsBeforeItStoresAndItsMessagesBeforeItHides) {
    std::atomic<bool> stored{false};
    StatusAfterStoreChannel channel(stored);
    {
        BackgroundPass pass([&](ProgressChannel& held, const std::function<void()>& waitForTurn) {
            held.ShowProgress(true);
            held.ShowStatus(true);
            held.SetStatusText("Creating Session data in table Web_data..");
            held.SetProgressRange(1, 100);
            held.SetProgressPos(60);
            waitForTurn();
            stored = true;
            held.MessageBox("SQL Error in CreateSessionIdAndTime process");
            held.ShowProgress(false);
            held.ShowStatus(false);
        });
        std::this_thread::sleep_for(50ms);
        EXPECT_FALSE(stored) << "stored before its turn";
        EXPECT_TRUE(channel.statusTexts.empty()) << "nothing shows before FinishOn";
        pass.FinishOn(channel);
    }
    EXPECT_FALSE(channel.storedBeforeStatus);
    EXPECT_TRUE(stored);
    EXPECT_EQ(channel.statusTexts,
              std::vector<std::string>{"Creating Session data in table Web_data.."});
    EXPECT_EQ(channel.rangeLow, 1);
    EXPECT_EQ(channel.positions, std::vector<int>{60});
    EXPECT_EQ(channel.messages,
              std::vector<std::string>{"SQL Error in CreateSessionIdAndTime process"});
    EXPECT_TRUE(channel.everShowedProgress);
    EXPECT_FALSE(channel.progressVisible);
    EXPECT_FALSE(channel.statusVisible);
}

TEST(BackgroundPass, APassThatEndedBeforeFinishOnIsStillShownOnce) {
    RecordingChannel channel;
    BackgroundPass pass([](ProgressChannel& held, const std::function<void()>&) {
        held.ShowStatus(true);
        held.SetStatusText("Creating Session data in table Web_data..");
        held.ShowStatus(false);  // no page hits: nothing to store
    });
    std::this_thread::sleep_for(50ms);
    pass.FinishOn(channel);
    EXPECT_EQ(channel.statusTexts,
              std::vector<std::string>{"Creating Session data in table Web_data.."});
    EXPECT_FALSE(channel.statusVisible);
}

TEST(BackgroundPass, FinishOnRethrowsAndAnAbandonedPassEndsWithoutStoring) {
    RecordingChannel channel;
    BackgroundPass failing([](ProgressChannel&, const std::function<void()>& waitForTurn) {
        waitForTurn();
        throw std::runtime_error("out of threads");
    });
    EXPECT_THROW(failing.FinishOn(channel), std::runtime_error);

    // Left without FinishOn (the pass before threw): the destructor ends it, neither hanging
    // nor letting it store.
    std::atomic<bool> stored{false};
    {
        BackgroundPass abandoned([&](ProgressChannel&, const std::function<void()>& waitForTurn) {
            waitForTurn();
            stored = true;
        });
    }
    EXPECT_FALSE(stored);
}

}  // namespace
