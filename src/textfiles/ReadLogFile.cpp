#include "textfiles/ReadLogFile.h"

#include <cctype>

#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/CZipper.h"
#include "textfiles/ProgressChannel.h"

namespace {

void ShowReadingStatus(ProgressChannel& channel) {
    channel.ShowStatus(true);
    channel.SetStatusText("Reading log file...");
}

void ShowMessage(ProgressChannel& channel, const std::string& text) {
    channel.MessageBox(text, ProgressChannel::MessageType::Ok);
}

// A .gz that cannot be decompressed stops the run: reading its compressed bytes as text would
// fill the table with garbage rows, and a partial read would pass for the whole log.
bool ReadGzipLog(const std::string& fileName, CStringArrayPBEx& lines, ProgressChannel& channel) {
    CGZip gzip;
    if (!gzip.Open(fileName, CZipper::OpenMode::Read)) {
        ShowMessage(channel, "Could not open the .gz file!");
        return false;
    }
    CStringArrayPBEx read;
    if (!gzip.ReadLines(read, CStringArrayPBEx::LoneCr::EndsLine)) {
        ShowMessage(channel,
                    "Could not decompress the .gz file " + fileName + ": " + gzip.LastError());
        return false;
    }
    // Every byte has been delivered and checked by now; a failing close cannot take any back.
    gzip.Close();
    lines.Items().swap(read.Items());
    ShowReadingStatus(channel);
    return true;
}

bool ReadPlainLog(const std::string& fileName, CStringArrayPBEx& lines, ProgressChannel& channel) {
    ShowReadingStatus(channel);
    if (!lines.ReadTextFile(fileName, false, &channel, CStringArrayPBEx::CtrlZ::IsData,
                            CStringArrayPBEx::LoneCr::EndsLine)) {
        channel.ShowStatus(false);
        return false;
    }
    return true;
}

}  // namespace

bool IsGzipLogName(const std::string& fileName) {
    if (fileName.size() < 3) return false;
    std::string tail = fileName.substr(fileName.size() - 3);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".gz";
}

bool ReadLogFile(const std::string& fileName, CStringArrayPBEx& lines, ProgressChannel& channel) {
    return IsGzipLogName(fileName) ? ReadGzipLog(fileName, lines, channel)
                                   : ReadPlainLog(fileName, lines, channel);
}
