#include "pipeline/PostWrite.h"

#include <optional>

#include "db/CADODatabase.h"
#include "passes/Sessions.h"
#include "passes/SpiderMarking.h"
#include "pipeline/BackgroundPass.h"
#include "pipeline/FailureWatch.h"

namespace {

// A connection of its own for the session pass, so that it runs beside the spider pass. None
// where the session pass's row keys could go stale while the spider pass changes the rows, or
// the database refuses a second connection: the passes then run one after the other on the
// writer's connection. (On PostgreSQL, with keys that stay, the two side by side were no faster:
// the server's processes for both already kept the processors busy.)
std::optional<CADODatabase> SecondConnection(const CADODatabase& db) {
    if (!db.SharesRowsWithOtherConnections()) return std::nullopt;
    try {
        CADODatabase second;
        second.Open(db.GetConnectionString());
        return second;
    } catch (const CADOException&) {
        return std::nullopt;
    }
}

void MarkSpidersAndNumberSessions(PostWriteContext& context, ProgressChannel& channel) {
    std::optional<CADODatabase> second = SecondConnection(context.db);
    if (!second) {
        MarkSpiders(channel, context.db, context.base, context.spiders);
        CreateSessionIdAndTime(channel, context.db, context.base, context.pageHitExtList);
        return;
    }
    // The session pass reads neither the spider marks nor anything else the spider pass changes.
    BackgroundPass sessions([&](ProgressChannel& held, const std::function<void()>& waitForTurn) {
        CreateSessionIdAndTime(held, *second, context.base, context.pageHitExtList, {},
                               waitForTurn);
    });
    MarkSpiders(channel, context.db, context.base, context.spiders);
    sessions.FinishOn(channel);
}

}  // namespace

// Each pass reports its own failure and returns, so one failing pass never keeps the others, or
// the user's list of malformed lines, from running.
bool RunPostWritePasses(PostWriteContext& context, const SpillingLineList& badLines) {
    FailureWatch passes(context.channel);
    MarkSpidersAndNumberSessions(context, passes);
    if (context.autoDns) {
        ReversDNS(passes, context.db, context.base, context.dns, context.lookup,
                  context.dnsWorkers);
    }
    if (!badLines.IsEmpty() && context.showErrorLog) context.showErrorLog(badLines);
    return !passes.FailureReported();
}
