#pragma once
// The terminal program's two commands, run through the same dialog handlers as the buttons of
// the desktop program.

#include "cli/CliOptions.h"

class SettingsStore;
class TerminalWindowServices;

// The process's exit status: 0 when the run went through, 1 when a message reported an error.
int RunExportCommand(const CliOptions& options, TerminalWindowServices& window,
                     SettingsStore& settings);
int RunHostnamesCommand(const CliOptions& options, TerminalWindowServices& window,
                        SettingsStore& settings);
