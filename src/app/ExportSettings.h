#pragma once
// One export as the user describes it: the seven values that the main dialog's fields show and
// that the stored settings and project files keep, and the number of reverse DNS workers, which
// only the terminal program's option sets. The dialog, the settings store, project files and the
// terminal program hand it to each other whole.

#include <string>

struct ExportSettings {
    std::string logFile;
    std::string connectionString;
    std::string tableBaseName;
    bool resetTable = false;
    // Extensions separated by ";": the lines to keep (empty keeps every line) and the page hits.
    std::string includeExts;
    std::string pageHitExts;
    bool autoDns = false;
    // 0: one worker per processor. Neither stored nor shown in a field.
    unsigned dnsWorkers = 0;
    bool operator==(const ExportSettings&) const = default;
};
