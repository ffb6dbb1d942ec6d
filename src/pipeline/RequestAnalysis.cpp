#include "pipeline/RequestAnalysis.h"

namespace {

bool IsPieceDelimiter(char c) {
    return c == ' ' || c == '/' || c == '?';
}

}  // namespace

RequestFile AnalyseRequest(std::string_view request) {
    const std::size_t protocol = request.find("HTTP/");
    if (protocol == std::string_view::npos) return {};
    const std::string_view prefix = request.substr(0, protocol);

    // The first piece that contains a "." is the piece around the first "." of the prefix, so
    // the pieces need not be built: this runs once per log line.
    const std::size_t dot = prefix.find('.');
    if (dot == std::string_view::npos) return {};
    std::size_t start = dot;
    while (start > 0 && !IsPieceDelimiter(prefix[start - 1])) --start;
    std::size_t end = dot + 1;
    while (end < prefix.size() && !IsPieceDelimiter(prefix[end])) ++end;
    return {std::string(prefix.substr(start, dot - start)),
            std::string(prefix.substr(dot + 1, end - dot - 1))};
}

void BuildExtensionList(std::string_view text, CStringArrayPBEx& list) {
    list.Split(text, ";");  // empties the list; an empty text leaves it empty
    list.Sort();
}

bool IsIncludedExtension(std::string_view extension, std::string_view includeExts,
                         const CStringArrayPBEx& includeExtList) {
    if (includeExts.empty()) return true;
    return includeExtList.FindSorted(extension) != CStringArrayPBEx::kNotFound;
}
