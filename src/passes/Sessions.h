#pragma once
// Groups the page hits of `<base>_data` that have no session yet into visitor sessions
// (SessionID) and gives each page hit followed by another of its session the seconds until
// that next hit (PageTimeSecs).

#include <string>

class CADODatabase;
class CStringArrayPBEx;
class ProgressChannel;

// Failures are reported through the channel's message box; the pass never throws.
void CreateSessionIdAndTime(ProgressChannel& channel, CADODatabase& db, const std::string& base,
                            const CStringArrayPBEx& pageHitExtList);
