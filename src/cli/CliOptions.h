#pragma once
// The terminal program's command line. Every value the user leaves out is taken later from the
// project file or the settings store, so each one is optional here.

#include <optional>
#include <string>
#include <vector>

struct CliOptions {
    enum class Command { Export, Hostnames, Help, Version };

    Command command = Command::Help;
    std::optional<std::string> logFile;
    std::optional<std::string> connection;
    std::optional<std::string> table;
    std::optional<bool> reset;
    std::optional<std::string> includeExts;
    std::optional<std::string> pageHitExts;
    std::optional<bool> autoDns;
    std::optional<unsigned> dnsWorkers;
    std::optional<std::string> project;
    std::optional<std::string> errorLog;
    bool quiet = false;
};

// Either the options or the reason they are not usable.
struct CliParseResult {
    std::optional<CliOptions> options;
    std::string error;
};

// `arguments` without the program name. Options take their value as the next argument or after
// "=" ("--table=Web"), so that a value may itself start with "--".
CliParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// The --help text.
std::string UsageText();
