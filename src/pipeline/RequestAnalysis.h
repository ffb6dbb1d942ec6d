#pragma once
// The file name and extension of a request, and the extension lists that decide which lines are
// written and which count as page hits.

#include <string>
#include <string_view>

#include "textfiles/CStringArrayPBEx.h"

struct RequestFile {
    std::string FileName;   // text of the first dotted piece before its first "."
    std::string Extension;  // everything behind that ".", further dots included
    bool operator==(const RequestFile&) const = default;
};

// The first piece containing "." among the pieces of the text before "HTTP/", cut at " ", "/"
// and "?". The method and the query string are pieces like any other. Both texts are empty when
// there is no "HTTP/" or no dotted piece.
RequestFile AnalyseRequest(std::string_view request);

// Fills `list` with the ";"-separated entries of `text`, sorted by byte order. An empty entry
// stands for a request without an extension; nothing is trimmed or lower-cased.
void BuildExtensionList(std::string_view text, CStringArrayPBEx& list);

// Whether a line with `extension` is written: always when `includeExts` is empty, otherwise when
// the sorted `includeExtList` built from it holds the extension exactly.
bool IsIncludedExtension(std::string_view extension, std::string_view includeExts,
                         const CStringArrayPBEx& includeExtList);
