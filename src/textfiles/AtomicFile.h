#pragma once
// Replacing a small file so that readers and a crash see either the old or the new contents,
// never a mixture: the bytes go to a temporary file in the same folder, are flushed to disk, and
// the temporary file is then renamed over the target. Settings and project files both hold
// connection strings with passwords and both save this way, so neither can be lost half-written
// nor be left readable by others.

#include <string>
#include <string_view>

struct FileReplaceResult {
    // errno of the failure, 0 when the file holds the new contents.
    int error = 0;
    // Whether the file could be opened for writing at all; a caller may retry an open that
    // failed (a file held by another program) but not a write (a full disk stays full).
    bool opened = false;
    bool Succeeded() const { return error == 0; }
};

// The target's folder must exist. A new file is readable and writable by its owner only; a file
// that is replaced keeps the permissions its owner gave it. A symbolic link is followed, so the
// file it names is replaced and the link stays. A target that is no regular file (a device, a
// pipe) cannot be replaced and is written in place. On failure the target is untouched and no
// temporary file is left.
FileReplaceResult ReplaceFileAtomically(const std::string& path, std::string_view contents);
