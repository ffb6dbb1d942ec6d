#pragma once
// Fills the HostName column of `<base>_data` by reverse DNS: the dialog's thread collects the
// addresses still without a host name, a pool of workers looks them up and stores each answer
// with one UPDATE, while the dialog's thread shows the progress and stays responsive. Only rows
// without a host name are collected, so a paused pass resumes where it stopped.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class CADODatabase;
class ProgressChannel;

// Shared by the dialog's thread and the workers for the time of one pass.
struct ReverseDnsState {
    // 1 while a pass runs. Only the dialog's thread writes it; a stop request needs no ordering
    // with other data, so everyone uses relaxed loads and stores.
    std::atomic<int> LookupRunning{0};
    // Set by Quit and never cleared: the window is closing, so no pass may start after it. A pass
    // that runs inside an export starts only after the Quit that the write's message pumping
    // handled, and must not take the cleared running flag for leave to start.
    std::atomic<bool> quitRequested{false};
    // Addresses read in stage 1, finished lookups in stage 2.
    std::atomic<std::uint32_t> completed{0};
    std::uint32_t total = 0;
};

// Address text -> host name to store. Tests inject their own so that no outside address is ever
// looked up for real.
using ReverseLookupFn = std::function<std::string(const std::string&)>;

// Longest host name the HostName column holds.
inline constexpr std::size_t kHostNameMaxBytes = 255;

// The system's name service: IPv4 and IPv6 texts are looked up (an address without a name comes
// back in its numeric form); any other text is already a host name and comes back unchanged.
// A failed lookup answers "Error # <code>\n".
std::string ReverseLookup(const std::string& address);

// One worker per logical processor.
unsigned DefaultLookupWorkers();

// Runs the pass over `db`. `workers` 0 means DefaultLookupWorkers(). Every path ends with the
// flag at 0, the progress display hidden and the buttons back to idle. After a Quit it looks up
// nothing.
void ReversDNS(ProgressChannel& channel, CADODatabase& db, const std::string& base,
               ReverseDnsState& state, const ReverseLookupFn& lookup, unsigned workers);
