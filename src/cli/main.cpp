// kestrelport: the terminal program. It runs the dialog's handlers through terminal window
// services, so an export from here is the same export as one started with "Go!".
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/ProgramVersion.h"
#include "app/SettingsStore.h"
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/TerminalWindowServices.h"

namespace {

constexpr int kFailure = 1;
constexpr int kUsageError = 2;

int Run(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CliParseResult parsed = ParseCommandLine(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "kestrelport: %s\n\n%s", parsed.error.c_str(), UsageText().c_str());
        return kUsageError;
    }
    const CliOptions& options = *parsed.options;
    switch (options.command) {
        case CliOptions::Command::Help:
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        case CliOptions::Command::Version:
            std::printf("kestrelport %s\n", FormatVersion(ProgramVersionParts()).c_str());
            return 0;
        case CliOptions::Command::Export:
        case CliOptions::Command::Hostnames:
            break;
    }

    TerminalWindowServices::Settings terminal;
    terminal.drawProgress = !options.quiet && ::isatty(STDOUT_FILENO) == 1;
    terminal.errorLogFile = options.errorLog.value_or("");
    TerminalWindowServices window(terminal);
    SettingsStore settings(SettingsStore::DefaultPath());
    if (options.command == CliOptions::Command::Export)
        return RunExportCommand(options, window, settings);
    return RunHostnamesCommand(options, window, settings);
}

}  // namespace

int main(int argc, char** argv) {
    // The last resort: the commands report their failures themselves, and one that escapes them
    // must still end the run with a message and a failure status rather than an abort.
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kestrelport: stopped by an unexpected error: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "kestrelport: stopped by an unexpected error.\n");
    }
    return kFailure;
}
