#pragma once
// The first step of an export: the whole log file, plain or gzip-compressed, read into a list
// of lines. Failures are shown through the channel and stop the run.

#include <string>

class CStringArrayPBEx;
class ProgressChannel;

// True when the name ends in ".gz" in any letter case; only the name decides.
bool IsGzipLogName(const std::string& fileName);

// Fills `lines` with the log's lines and shows "Reading log file..." in the status line. False
// when the run must stop (the message has been shown; `lines` is then left as it was).
// A gzip log keeps carriage returns in its lines, a plain log drops those before line feeds;
// neither stops at a byte 0x1A or 0x00.
bool ReadLogFile(const std::string& fileName, CStringArrayPBEx& lines, ProgressChannel& channel);
