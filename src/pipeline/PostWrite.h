#pragma once
// The table passes that run after the last row of an export is written, in a fixed order over
// the writer's open connection, and the error log of the malformed lines at the end.

#include <functional>
#include <string>

#include "passes/ReverseDns.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/SpillingLineList.h"

class CADODatabase;
class ProgressChannel;

struct PostWriteContext {
    ProgressChannel& channel;
    CADODatabase& db;
    std::string base;
    const CStringArrayPBEx& spiders;
    const CStringArrayPBEx& pageHitExtList;
    bool autoDns;
    ReverseDnsState& dns;
    ReverseLookupFn lookup;
    unsigned dnsWorkers;
    std::function<void(const SpillingLineList&)> showErrorLog;
};

// Spider marks, sessions, reverse DNS (when autoDns) and the error log (when lines were bad).
// Each pass reports its own failure; the sequence goes on with the next step. True when no pass
// reported one.
bool RunPostWritePasses(PostWriteContext& context, const SpillingLineList& badLines);
