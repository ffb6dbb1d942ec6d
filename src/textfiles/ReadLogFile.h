#pragma once
// The first step of an export: the log file, plain or gzip-compressed, opened and counted, its
// lines then handed over a batch at a time. Failures are shown through the channel and stop the
// run.

#include <memory>
#include <string>

#include "textfiles/LogFileLineSource.h"

class CStringArrayPBEx;
class MessageChannel;

// True when the name ends in ".gz" in any letter case; only the name decides.
bool IsGzipLogName(const std::string& fileName);

// Opens the log, counts its lines and shows "Reading log file..." in the status line. A
// compressed log is decompressed whole in the count, so a damaged one stops the run here, before
// any table is touched. Null when the run must stop (the message has been shown).
// A gzip log keeps carriage returns in its lines, a plain log drops those before line feeds;
// neither stops at a byte 0x1A or 0x00.
std::unique_ptr<LogFileLineSource> OpenLogFile(const std::string& fileName,
                                               MessageChannel& channel);

// Fills `lines` with every line of the log, for callers that want it whole. False when the run
// must stop (the message has been shown; `lines` is then left as it was).
bool ReadLogFile(const std::string& fileName, CStringArrayPBEx& lines, MessageChannel& channel);
