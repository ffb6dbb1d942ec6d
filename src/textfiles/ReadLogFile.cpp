#include "textfiles/ReadLogFile.h"

#include "textfiles/AsciiText.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/FileErrorText.h"
#include "textfiles/MessageChannel.h"

namespace {

void ShowReadingStatus(MessageChannel& channel) {
    channel.ShowStatus(true);
    channel.SetStatusText("Reading log file...");
}

void ShowMessage(MessageChannel& channel, const std::string& text) {
    channel.MessageBox(text, MessageChannel::MessageType::Ok);
}

// A .gz that cannot be decompressed stops the run: reading its compressed bytes as text would
// fill the table with garbage rows, and a partial read would pass for the whole log.
std::unique_ptr<LogFileLineSource> OpenGzipLog(const std::string& fileName,
                                               MessageChannel& channel) {
    auto bytes = std::make_unique<GzipLogBytes>();
    if (!bytes->Open(fileName)) {
        ShowMessage(channel, "Could not open the .gz file!");
        return nullptr;
    }
    auto source = std::make_unique<LogFileLineSource>(fileName, std::move(bytes));
    if (!source->Count()) {
        ShowMessage(channel, source->FailureText());
        return nullptr;
    }
    ShowReadingStatus(channel);
    return source;
}

std::unique_ptr<LogFileLineSource> OpenPlainLog(const std::string& fileName,
                                                MessageChannel& channel) {
    ShowReadingStatus(channel);
    auto bytes = std::make_unique<PlainLogBytes>();
    if (const int error = bytes->Open(fileName); error != 0) {
        ShowMessage(channel, FileErrorText(error, fileName));
        channel.ShowStatus(false);
        return nullptr;
    }
    auto source = std::make_unique<LogFileLineSource>(fileName, std::move(bytes));
    if (!source->Count()) {
        ShowMessage(channel, source->FailureText());
        channel.ShowStatus(false);
        return nullptr;
    }
    return source;
}

}  // namespace

bool IsGzipLogName(const std::string& fileName) {
    return fileName.size() >= 3 &&
           EqualsIgnoringAsciiCase(std::string_view(fileName).substr(fileName.size() - 3), ".gz");
}

std::unique_ptr<LogFileLineSource> OpenLogFile(const std::string& fileName,
                                               MessageChannel& channel) {
    return IsGzipLogName(fileName) ? OpenGzipLog(fileName, channel)
                                   : OpenPlainLog(fileName, channel);
}

bool ReadLogFile(const std::string& fileName, CStringArrayPBEx& lines, MessageChannel& channel) {
    const std::unique_ptr<LogFileLineSource> source = OpenLogFile(fileName, channel);
    if (!source) return false;
    std::vector<std::string> whole;
    std::vector<std::string> batch;
    whole.reserve(static_cast<std::size_t>(source->TotalLines()));
    try {
        for (;;) {
            source->NextLines(batch, std::size_t{1} << 16);
            if (batch.empty()) break;
            std::move(batch.begin(), batch.end(), std::back_inserter(whole));
        }
    } catch (const LineSourceError& error) {
        ShowMessage(channel, error.what());
        channel.ShowStatus(false);
        return false;
    }
    lines.Items().swap(whole);
    return true;
}
