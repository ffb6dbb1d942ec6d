#pragma once
// The terminal program's two commands, run through the same dialog handlers as the buttons of
// the desktop program.

#include "cli/CliOptions.h"

class SettingsStore;
class TerminalWindowServices;

// The process's exit status: 0 when the run went through (messages that only inform included),
// 1 when it did not start or failed.
int RunExportCommand(const CliOptions& options, TerminalWindowServices& window,
                     SettingsStore& settings);
int RunHostnamesCommand(const CliOptions& options, TerminalWindowServices& window,
                        SettingsStore& settings);
