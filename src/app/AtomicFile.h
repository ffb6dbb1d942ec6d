#pragma once
// Replacing a small file so that readers and a crash see either the old or the new contents,
// never a mixture: the bytes go to a temporary file in the same folder, are flushed to disk, and
// the temporary file is then renamed over the target.

#include <string>
#include <string_view>

// Creates the target's folder when missing. The new file is readable and writable by its owner
// only. False (with the target untouched and no temporary file left) on any failure.
bool ReplaceFileAtomically(const std::string& path, std::string_view contents);
