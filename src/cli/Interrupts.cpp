#include "cli/Interrupts.h"

#include <unistd.h>

#include <csignal>

namespace {

// A lock-free atomic may be read inside a signal handler; everything else is sig_atomic_t.
const std::atomic<int>* g_lookupRunning = nullptr;
volatile std::sig_atomic_t g_pauseRequested = 0;
volatile std::sig_atomic_t g_presses = 0;

extern "C" void OnInterrupt(int) {
    const bool lookupsRun =
        g_lookupRunning && g_lookupRunning->load(std::memory_order_relaxed) == 1;
    if (g_presses == 0 && lookupsRun) {
        g_presses = 1;
        g_pauseRequested = 1;
        return;
    }
    // The shell's convention for a program ended by SIGINT.
    ::_exit(128 + SIGINT);
}

}  // namespace

void InstallInterruptHandler(const std::atomic<int>& lookupRunning) {
    static_assert(std::atomic<int>::is_always_lock_free);
    g_lookupRunning = &lookupRunning;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

bool TakePauseRequest() {
    if (g_pauseRequested == 0) return false;
    g_pauseRequested = 0;
    return true;
}
