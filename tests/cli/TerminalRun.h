#pragma once
// Runs the terminal program as a user at a terminal would: its standard output is a
// pseudo-terminal, so it draws its status line ("Updating IsSpider field... [###...] 40%"),
// and the test can tell which step the program is in while it runs and act at that moment
// (kill it, stop its database server) instead of guessing with sleeps. Standard error goes to a
// file, apart from the drawing.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TerminalRunResult {
    std::optional<int> exitCode;  // when the program exited
    std::optional<int> signal;    // when a signal ended it
    bool timedOut = false;        // killed by the run's time limit
    bool acted = false;           // the watcher acted
    std::string screen;           // everything written to the terminal
    std::string err;              // standard error
};

struct TerminalRunRequest {
    // Sees every status line drawn, until it answers true: it has acted and is not asked again.
    using Watch = std::function<bool(const std::string& statusLine, pid_t program)>;

    std::vector<std::string> arguments;                            // the program's path first
    std::vector<std::pair<std::string, std::string>> environment;  // added to the test's own
    std::string errFile;
    Watch watch;
    std::chrono::seconds limit{300};
};

TerminalRunResult RunOnTerminal(const TerminalRunRequest& request);

// The percentage at the end of a drawn status line, if the line shows the bar.
std::optional<int> ProgressPercent(const std::string& statusLine);
