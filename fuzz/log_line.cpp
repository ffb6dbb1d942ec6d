// One log line as the writer takes it apart: the nine fields, the file name and extension of the
// request, the extension filter and the timestamp. Every log line of every user passes here.

#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "pipeline/LogRecord.h"
#include "pipeline/LogTimestamp.h"
#include "pipeline/RequestAnalysis.h"

namespace {

bool HasPieceDelimiter(std::string_view text) {
    return text.find_first_of(" /?") != std::string_view::npos;
}

void CheckFields(std::string_view line, const LogRecord& record) {
    FuzzCheck(record.GetSize() == kLogFieldCount, "a split line has nine fields");
    // A line that holds the placeholder itself hides where the fields ran out.
    const bool placeholderInLine = line.find(kMissingField) != std::string_view::npos;
    bool exhausted = false;
    for (const std::string& field : record) {
        const bool missing = field == kMissingField;
        FuzzCheck(!field.empty(), "a field is never empty");
        FuzzCheck(missing || line.find(field) != std::string_view::npos,
                  "a field is a piece of its line");
        if (!placeholderInLine) {
            FuzzCheck(!exhausted || missing, "no field follows a missing one");
            exhausted = exhausted || missing;
        }
    }
}

void CheckRequest(const std::string& request) {
    const RequestFile file = AnalyseRequest(request);
    FuzzCheck(!HasPieceDelimiter(file.FileName) && !HasPieceDelimiter(file.Extension),
              "the file name and extension are parts of one piece");
    if (file.FileName.empty() && file.Extension.empty()) return;
    const std::size_t protocol = request.find("HTTP/");
    FuzzCheck(protocol != std::string::npos, "only a request with a protocol has a file");
    FuzzCheck(std::string_view(request).substr(0, protocol).find(file.FileName + "." +
                                                                 file.Extension) !=
                  std::string_view::npos,
              "the file name and extension stand in the request before the protocol");

    // The filter's sorted lookup must agree with a plain walk over the same list.
    CStringArrayPBEx includeList;
    BuildExtensionList(request, includeList);
    FuzzCheck(IsIncludedExtension(file.Extension, request, includeList) ==
                  (includeList.Find(file.Extension) != CStringArrayPBEx::kNotFound),
              "the extension filter finds what the list holds");
}

void CheckTimestamp(const std::string& dateTimeTxt) {
    static const CStringArrayPBEx monthNames = [] {
        CStringArrayPBEx names;
        LoadMonthNames(names);
        return names;
    }();
    const DateTime time = ParseLogTimestamp(dateTimeTxt, monthNames);
    if (!time.IsValid()) return;
    // Whatever the log says, a valid time must be one the table can store and give back.
    const std::string stored = time.ToSqlText();
    FuzzCheck(!stored.empty(), "a valid log time has a storage form");
    FuzzCheck(DateTime::FromSqlText(stored) == time, "a log time survives its storage form");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line = FuzzText(data, size);
    LogRecord record;
    SplitLogLine(line, record);
    CheckFields(line, record);

    // The writer reuses one record for every line; what the last line left must not show.
    static LogRecord reused;
    SplitLogLine(line, reused);
    FuzzCheck(reused == record, "a reused record splits like a fresh one");

    record.StatusValue();
    record.BytesValue();
    CheckRequest(record[kFieldRequest]);
    CheckTimestamp(record[kFieldDateTimeTxt]);
    return 0;
}
