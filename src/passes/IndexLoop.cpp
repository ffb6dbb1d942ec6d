#include "passes/IndexLoop.h"

#include <algorithm>

// The indices of one part not started yet: [next, end).
struct IndexLoop::Part {
    std::mutex mutex;
    std::size_t next = 0;
    std::size_t end = 0;
};

IndexLoop::IndexLoop(std::size_t count, unsigned workers, Body body) : body_(std::move(body)) {
    const std::size_t partCount = std::min<std::size_t>(count, workers == 0 ? 1 : workers);
    std::size_t start = 0;
    for (std::size_t k = 0; k < partCount; ++k) {
        const std::size_t size = count / partCount + (k < count % partCount ? 1 : 0);
        auto part = std::make_unique<Part>();
        part->next = start;
        part->end = start + size;
        start += size;
        parts_.push_back(std::move(part));
    }
    running_ = partCount;
    threads_.reserve(partCount);
    for (std::size_t k = 0; k < partCount; ++k) threads_.emplace_back([this, k] { Work(k); });
}

IndexLoop::~IndexLoop() {
    Cancel();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

void IndexLoop::Cancel() {
    cancelled_.store(true, std::memory_order_relaxed);
}

bool IndexLoop::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(doneMutex_);
    return doneSignal_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

void IndexLoop::Wait() {
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
    if (firstError_) std::rethrow_exception(firstError_);
}

void IndexLoop::Work(std::size_t own) {
    std::exception_ptr error;
    try {
        std::size_t index = 0;
        while (!cancelled_.load(std::memory_order_relaxed)) {
            if (!Next(own, index)) break;
            if (!body_(index)) Cancel();
        }
    } catch (...) {
        error = std::current_exception();
        Cancel();
    }
    Finish(error);
}

// A thief may empty a freshly stolen range again before its new owner claims from it, so
// stealing goes on until an index is claimed or nothing is left anywhere.
bool IndexLoop::Next(std::size_t own, std::size_t& index) {
    while (!Claim(own, index)) {
        if (!StealInto(own)) return false;
    }
    return true;
}

bool IndexLoop::Claim(std::size_t own, std::size_t& index) {
    Part& part = *parts_[own];
    std::lock_guard lock(part.mutex);
    if (part.next >= part.end) return false;
    index = part.next++;
    return true;
}

// Takes the second half of the unstarted indices of the part that has the most left.
bool IndexLoop::StealInto(std::size_t own) {
    for (;;) {
        std::size_t victim = own;
        std::size_t most = 0;
        for (std::size_t k = 0; k < parts_.size(); ++k) {
            if (k == own) continue;
            std::lock_guard lock(parts_[k]->mutex);
            const std::size_t left = parts_[k]->end - parts_[k]->next;
            if (left > most) {
                most = left;
                victim = k;
            }
        }
        if (victim == own) return false;
        // Lock both in index order so that two thieves robbing each other cannot deadlock.
        Part& mine = *parts_[own];
        Part& theirs = *parts_[victim];
        std::scoped_lock lock(own < victim ? mine.mutex : theirs.mutex,
                              own < victim ? theirs.mutex : mine.mutex);
        const std::size_t left = theirs.end - theirs.next;
        if (left == 0) continue;  // emptied meanwhile: look again
        const std::size_t middle = theirs.next + left / 2;
        mine.next = middle;
        mine.end = theirs.end;
        theirs.end = middle;
        return true;
    }
}

void IndexLoop::Finish(std::exception_ptr error) {
    std::lock_guard lock(doneMutex_);
    if (error && !firstError_) firstError_ = error;
    --running_;
    doneSignal_.notify_all();
}
