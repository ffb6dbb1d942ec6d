#include "pipeline/PostWrite.h"

#include "passes/Sessions.h"
#include "passes/SpiderMarking.h"

// Each pass reports its own failure and returns, so one failing pass never keeps the others, or
// the user's list of malformed lines, from running.
void RunPostWritePasses(PostWriteContext& context, const SpillingLineList& badLines) {
    MarkSpiders(context.channel, context.db, context.base, context.spiders);
    CreateSessionIdAndTime(context.channel, context.db, context.base, context.pageHitExtList);
    if (context.autoDns) {
        ReversDNS(context.channel, context.db, context.base, context.dns, context.lookup,
                  context.dnsWorkers);
    }
    if (!badLines.IsEmpty() && context.showErrorLog) context.showErrorLog(badLines);
}
