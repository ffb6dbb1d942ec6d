#pragma once
// A cancellable parallel loop over the indices 0..count-1 that runs beside its caller. The range
// is cut into contiguous parts, one per worker thread (sizes differ by at most one, the larger
// parts first; fewer parts when there are fewer indices than workers). A worker that has
// finished its part takes over the second half of the indices another worker has not started
// yet, so one slow part does not hold up the end. No lock is held while the body runs.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class IndexLoop {
  public:
    // Returns false to cancel the loop: no further index is started by any worker. An exception
    // cancels the loop as well and is passed on by Wait.
    using Body = std::function<bool(std::size_t)>;

    // Starts the workers at once.
    IndexLoop(std::size_t count, unsigned workers, Body body);
    // Cancels what has not started and waits for the running bodies.
    ~IndexLoop();
    IndexLoop(const IndexLoop&) = delete;
    IndexLoop& operator=(const IndexLoop&) = delete;

    // Waits up to `timeout` for every worker to end; true when they have.
    bool WaitFor(std::chrono::milliseconds timeout);
    // Waits for every worker, then passes on the first exception a body threw.
    void Wait();
    void Cancel();

    std::size_t PartCount() const { return parts_.size(); }

  private:
    struct Part;

    void Work(std::size_t own);
    bool Next(std::size_t own, std::size_t& index);
    bool Claim(std::size_t own, std::size_t& index);
    bool StealInto(std::size_t own);
    void Finish(std::exception_ptr error);

    Body body_;
    std::vector<std::unique_ptr<Part>> parts_;
    std::atomic<bool> cancelled_{false};

    std::mutex doneMutex_;
    std::condition_variable doneSignal_;
    std::size_t running_ = 0;
    std::exception_ptr firstError_;

    std::vector<std::thread> threads_;  // last: started after everything they use exists
};
