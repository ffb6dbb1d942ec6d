#include "cli/TerminalRun.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

#include "support/TestSupport.h"

extern char** environ;

namespace {

constexpr const char* kEraseToEnd = "\x1b[K";

// Everything the child needs is built before the fork: after it, only exec.
std::vector<std::string> EnvironmentWith(
    const std::vector<std::pair<std::string, std::string>>& added) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : added) replaced = replaced || text.starts_with(name + "=");
        if (!replaced) entries.push_back(text);
    }
    for (const auto& [name, value] : added) entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The program draws each status line as "\r" + line + "erase to the end of the line". Calls
// `seen` with each line completed since `scanned`, and moves `scanned` past it.
template <class Seen>
void ForEachNewStatusLine(const std::string& screen, std::size_t& scanned, Seen&& seen) {
    for (std::size_t end; (end = screen.find(kEraseToEnd, scanned)) != std::string::npos;) {
        const std::size_t cr = screen.rfind('\r', end);
        const std::size_t start = cr == std::string::npos || cr < scanned ? scanned : cr + 1;
        scanned = end + std::char_traits<char>::length(kEraseToEnd);
        if (!seen(screen.substr(start, end - start))) return;
    }
}

}  // namespace

std::optional<int> ProgressPercent(const std::string& statusLine) {
    if (statusLine.empty() || statusLine.back() != '%') return std::nullopt;
    const std::size_t bracket = statusLine.rfind("] ");
    if (bracket == std::string::npos) return std::nullopt;
    const std::string digits = statusLine.substr(bracket + 2, statusLine.size() - bracket - 3);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(digits);
}

TerminalRunResult RunOnTerminal(const TerminalRunRequest& request) {
    std::vector<std::string> arguments = request.arguments;
    std::vector<std::string> environment = EnvironmentWith(request.environment);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    const int errFd =
        ::open(request.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);

    TerminalRunResult result;
    int terminal = -1;
    const pid_t program = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (program == 0) {
        ::dup2(errFd, STDERR_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(errFd);
    if (program < 0) return result;

    const auto deadline = std::chrono::steady_clock::now() + request.limit;
    std::size_t scanned = 0;
    std::array<char, 8192> buffer{};
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline && !result.timedOut) {
            result.timedOut = true;
            ::kill(program, SIGKILL);
        }
        pollfd watched{terminal, POLLIN, 0};
        if (::poll(&watched, 1, 100) == 0) continue;
        const ssize_t n = ::read(terminal, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // EIO: every process holding the terminal has ended
        result.screen.append(buffer.data(), static_cast<std::size_t>(n));
        if (result.acted || !request.watch) continue;
        ForEachNewStatusLine(result.screen, scanned, [&](const std::string& line) {
            result.acted = request.watch(line, program);
            return !result.acted;
        });
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(program, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.err = ReadBytes(request.errFile);
    return result;
}
