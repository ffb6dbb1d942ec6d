#include "pipeline/PostWrite.h"

#include "passes/Sessions.h"
#include "passes/SpiderMarking.h"
#include "pipeline/FailureWatch.h"

// Each pass reports its own failure and returns, so one failing pass never keeps the others, or
// the user's list of malformed lines, from running.
bool RunPostWritePasses(PostWriteContext& context, const SpillingLineList& badLines) {
    FailureWatch passes(context.channel);
    MarkSpiders(passes, context.db, context.base, context.spiders);
    CreateSessionIdAndTime(passes, context.db, context.base, context.pageHitExtList);
    if (context.autoDns) {
        ReversDNS(passes, context.db, context.base, context.dns, context.lookup,
                  context.dnsWorkers);
    }
    if (!badLines.IsEmpty() && context.showErrorLog) context.showErrorLog(badLines);
    return !passes.FailureReported();
}
