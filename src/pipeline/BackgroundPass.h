#pragma once
// A table pass run on a thread of its own, over a connection of its own, while the export's
// thread runs the pass before it. The spider and session passes read and change different
// columns, and each spends most of its time in the database, one process or one processor at a
// time; side by side they keep both processors busy.
//
// The user still sees one pass after the other: the background pass's bar, status and message
// boxes are held until FinishOn shows them. Its changes wait for their turn too
// (`waitForTurnToStore`, called by the pass before it writes to the table): two passes changing
// the same rows at once could deadlock on PostgreSQL, and on SQLite one would wait on the other's
// lock. So each pass still stores its changes in one go, whole or not at all.

#include <exception>
#include <functional>
#include <future>
#include <memory>

class ProgressChannel;

class BackgroundPass {
  public:
    using Pass = std::function<void(ProgressChannel& channel,
                                    const std::function<void()>& waitForTurnToStore)>;

    // Starts the pass. It must not ask questions: a message box it shows is an error report.
    explicit BackgroundPass(Pass pass);
    // When FinishOn was not reached: stops the pass where it would store, and waits for it.
    ~BackgroundPass();
    BackgroundPass(const BackgroundPass&) = delete;
    BackgroundPass& operator=(const BackgroundPass&) = delete;

    // Lets the pass store its changes and shows its reports on `channel` as they come, pumping
    // the channel's messages, until the pass has ended. Rethrows what escaped the pass.
    void FinishOn(ProgressChannel& channel);

  private:
    class HeldReports;

    // Ends the pass's wait for its turn to store, once: with the turn, or with `abandoned`
    // thrown where it waits.
    void GiveTurn(std::exception_ptr abandoned = nullptr);

    std::unique_ptr<HeldReports> reports_;
    std::promise<void> turnToStore_;
    bool turnGiven_ = false;
    std::future<void> done_;
};
