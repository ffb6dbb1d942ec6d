#pragma once
// Ctrl-C on the terminal. While reverse DNS lookups run, the first press asks for a pause, as
// the dialog's pause button does; the pause itself is carried out by the dialog's thread at its
// next message pump. Any other press ends the program at once.

#include <atomic>

// `lookupRunning` is the dialog's flag; it must outlive the program's run.
void InstallInterruptHandler(const std::atomic<int>& lookupRunning);

// True once after the first press during lookups.
bool TakePauseRequest();
