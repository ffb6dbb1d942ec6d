#pragma once
// How a run started from the dialog (an export, the host name lookups) ended. Its messages have
// been shown either way; a message that only informs (a missing country file, after which every
// row is still written) leaves a run Written.

enum class RunOutcome {
    // Went through to its end, or to a pause the user asked for.
    Written,
    // Did not start: the set-up lacks something or cannot be used, and a message said so; or a
    // run was already going on.
    Stopped,
    // A step failed and said so; what was committed before stays.
    Failed,
};
