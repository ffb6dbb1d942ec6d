#include "cli/CliOptions.h"

#include <charconv>
#include <functional>
#include <map>

namespace {

using ValueSetter = std::function<bool(CliOptions&, const std::string&)>;
using FlagSetter = std::function<void(CliOptions&)>;

struct OptionTable {
    std::map<std::string, ValueSetter> values;
    std::map<std::string, FlagSetter> flags;
};

ValueSetter Text(std::optional<std::string> CliOptions::*member) {
    return [member](CliOptions& options, const std::string& value) {
        options.*member = value;
        return true;
    };
}

FlagSetter Switch(std::optional<bool> CliOptions::*member, bool value) {
    return [member, value](CliOptions& options) { options.*member = value; };
}

bool SetWorkers(CliOptions& options, const std::string& value) {
    unsigned workers = 0;
    const char* end = value.data() + value.size();
    auto [stop, error] = std::from_chars(value.data(), end, workers);
    if (error != std::errc() || stop != end || workers == 0 || workers > 1024) return false;
    options.dnsWorkers = workers;
    return true;
}

OptionTable ExportOptions() {
    OptionTable table;
    table.values = {{"--log", Text(&CliOptions::logFile)},
                    {"--connection", Text(&CliOptions::connection)},
                    {"--table", Text(&CliOptions::table)},
                    {"--include-exts", Text(&CliOptions::includeExts)},
                    {"--page-hit-exts", Text(&CliOptions::pageHitExts)},
                    {"--dns-workers", SetWorkers},
                    {"--project", Text(&CliOptions::project)},
                    {"--error-log", Text(&CliOptions::errorLog)}};
    table.flags = {{"--reset", Switch(&CliOptions::reset, true)},
                   {"--no-reset", Switch(&CliOptions::reset, false)},
                   {"--auto-dns", Switch(&CliOptions::autoDns, true)},
                   {"--no-auto-dns", Switch(&CliOptions::autoDns, false)},
                   {"--quiet", [](CliOptions& options) { options.quiet = true; }}};
    return table;
}

OptionTable HostnamesOptions() {
    OptionTable table;
    table.values = {{"--connection", Text(&CliOptions::connection)},
                    {"--table", Text(&CliOptions::table)},
                    {"--project", Text(&CliOptions::project)},
                    {"--dns-workers", SetWorkers}};
    return table;
}

CliParseResult Failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

CliParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
    CliOptions options;
    if (arguments.empty()) return Failure("no command given");
    const std::string& command = arguments[0];
    if (command == "--help" || command == "-h" || command == "help") {
        if (arguments.size() > 1) return Failure("--help takes no further arguments");
        options.command = CliOptions::Command::Help;
        return {options, {}};
    }
    if (command == "--version") {
        if (arguments.size() > 1) return Failure("--version takes no further arguments");
        options.command = CliOptions::Command::Version;
        return {options, {}};
    }
    OptionTable table;
    if (command == "export") {
        options.command = CliOptions::Command::Export;
        table = ExportOptions();
    } else if (command == "hostnames") {
        options.command = CliOptions::Command::Hostnames;
        table = HostnamesOptions();
    } else {
        return Failure("unknown command \"" + command + "\"");
    }

    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('=');
            name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (auto flag = table.flags.find(name); flag != table.flags.end()) {
            if (value) return Failure(name + " takes no value");
            flag->second(options);
            continue;
        }
        auto setter = table.values.find(name);
        if (setter == table.values.end()) {
            return Failure("unknown option \"" + name + "\" for " + command);
        }
        if (!value) {
            if (i + 1 >= arguments.size()) return Failure(name + " needs a value");
            value = arguments[++i];
        }
        if (!setter->second(options, *value)) {
            return Failure("invalid value \"" + *value + "\" for " + name);
        }
    }
    return {options, {}};
}

std::string UsageText() {
    return R"(Usage:
  kestrelport export [--log FILE] [--connection STRING] [--table BASE]
                     [--reset | --no-reset] [--include-exts TEXT] [--page-hit-exts TEXT]
                     [--auto-dns | --no-auto-dns] [--dns-workers N] [--project FILE]
                     [--error-log FILE] [--quiet]
  kestrelport hostnames [--connection STRING] [--table BASE] [--project FILE] [--dns-workers N]
  kestrelport --help | --version

export     loads the log into the table <BASE>_data exactly as the dialog's "Go!" does.
hostnames  looks up host names for the rows of <BASE>_data that have none yet. The first
           Ctrl-C pauses the lookups (run the command again to resume), a second one stops
           the program at once.

A value that is not given comes from the project file of --project when one is named,
otherwise from the settings the desktop program uses; the export then stores its values as
the new settings. Connection strings look like
  "Provider=SQLite;Data Source=/path/to/file.db"
  "Provider=PostgreSQL;Server=127.0.0.1;Port=5432;Database=web;User ID=me;Password=..."

Messages go to stderr; a question is answered "No", since no one is there to ask. The lines
of the log that were malformed go to stderr, or to FILE with --error-log. After an export that
went through, one summary line is printed on stdout.

Exit status: 0 when the run went through (malformed lines included, and a missing
IpToCountry.csv, which leaves the country unknown), 1 when it did not start or failed (a message
says why), 2 for a usage error.
)";
}
