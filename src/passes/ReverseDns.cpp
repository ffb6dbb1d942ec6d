#include "passes/ReverseDns.h"

#include <chrono>

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/SqlLiteral.h"
#include "passes/IndexLoop.h"
#include "passes/ProgressChannel.h"
#include "passes/SqlText.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

constexpr const char* kAddressQuery =
    "Select\n  [%s_data].IP\nFrom\n  [%s_data]\nWhere\n  [%s_data].HostName Is Null\nGroup By\n"
    "  [%s_data].IP";

constexpr const char* kHostNameUpdate = "UPDATE  [%s_data]\nSET [HostName]=%s\nWHERE IP=%s\n";

constexpr std::chrono::milliseconds kMonitorPeriod{500};
constexpr std::uint32_t kStatusStep = 20;
constexpr std::uint32_t kStageOneProgressStep = 50;

bool StillRunning(const ReverseDnsState& state) {
    return state.LookupRunning.load(std::memory_order_relaxed) == 1 &&
           !state.quitRequested.load(std::memory_order_relaxed);
}

int Percent(std::uint32_t done, std::uint32_t total) {
    return static_cast<int>(std::uint64_t{done} * 100 / total);
}

// Every way out of the pass ends here: the progress display hidden and the dialog idle. The
// socket layer needs no start-up or clean-up on this platform, so nothing else is owed.
class PassEnd {
  public:
    PassEnd(ProgressChannel& channel, ReverseDnsState& state) : channel_(channel), state_(state) {}
    ~PassEnd() {
        channel_.ShowProgress(false);
        channel_.ShowStatus(false);
        state_.LookupRunning.store(0, std::memory_order_relaxed);
        channel_.ShowLookupRunning(false);
    }
    PassEnd(const PassEnd&) = delete;
    PassEnd& operator=(const PassEnd&) = delete;

  private:
    ProgressChannel& channel_;
    ReverseDnsState& state_;
};

// Stage 1, on the dialog's thread. False when the user paused meanwhile.
bool CollectAddresses(ProgressChannel& channel, CADORecordset& rows, ReverseDnsState& state,
                      CStringArrayPBEx& addresses) {
    addresses.Reserve(state.total);
    std::string address;
    rows.MoveFirst();
    while (!rows.IsEof()) {
        address.clear();
        rows.ReadFieldText("IP", address);
        addresses.Add(address);
        rows.MoveNext();
        const std::uint32_t read = state.completed.fetch_add(1, std::memory_order_relaxed) + 1;
        if (read % kStageOneProgressStep == 0) channel.SetProgressPos(Percent(read, state.total));
        channel.PumpMessages();
        if (!StillRunning(state)) return false;
    }
    return true;
}

// Stage 2: the workers look up and store; the dialog's thread shows how far they are and keeps
// handling the user's clicks, a pause among them.
void LookUpAndStore(ProgressChannel& channel, CADODatabase& db, const std::string& base,
                    ReverseDnsState& state, const ReverseLookupFn& lookup, unsigned workers,
                    const CStringArrayPBEx& addresses) {
    auto lookUpOne = [&](std::size_t index) {
        if (!StillRunning(state)) return false;
        const std::string& address = addresses[static_cast<CStringArrayPBEx::Index>(index)];
        std::string host = lookup(address);
        if (host.size() > kHostNameMaxBytes) host.resize(kHostNameMaxBytes);
        CADORecordset update(db);
        update.Open(FormatSql(kHostNameUpdate,
                              {base, StatementTextLiteral(host), StatementTextLiteral(address)}));
        state.completed.fetch_add(1, std::memory_order_relaxed);
        return true;
    };
    IndexLoop loop(addresses.Items().size(), workers == 0 ? DefaultLookupWorkers() : workers,
                   lookUpOne);

    std::uint32_t lastShown = 0;
    bool workersDone = false;
    do {
        const std::uint32_t done = state.completed.load(std::memory_order_relaxed);
        if (done - lastShown > kStatusStep) {
            channel.SetStatusText("Host lookup - stage 2 of 2: Completed " + std::to_string(done) +
                                  " out of " + std::to_string(state.total) + " hostname lookups..");
            channel.SetProgressPos(Percent(done, state.total));
            lastShown = done;
        }
        channel.PumpMessages();
        // Wakes early when the workers end, so the pass does not linger after the last lookup
        // or after a failure that stopped them.
        workersDone = loop.WaitFor(kMonitorPeriod);
    } while (!workersDone && StillRunning(state) &&
             state.completed.load(std::memory_order_relaxed) < state.total);
    loop.Wait();
}

}  // namespace

void ReversDNS(ProgressChannel& channel, CADODatabase& db, const std::string& base,
               ReverseDnsState& state, const ReverseLookupFn& lookup, unsigned workers) {
    const PassEnd end(channel, state);
    if (state.quitRequested.load(std::memory_order_relaxed)) return;
    const std::string query = FormatWithBase(kAddressQuery, base);
    state.LookupRunning.store(1, std::memory_order_relaxed);
    channel.ShowLookupRunning(true);
    try {
        CStringArrayPBEx addresses;
        {
            CADORecordset rows(db);
            if (!rows.Open(query)) return;
            const std::int32_t count = rows.RecordCount();
            if (count <= 0) return;
            state.total = static_cast<std::uint32_t>(count);
            state.completed.store(0, std::memory_order_relaxed);
            channel.ShowProgress(true);
            channel.ShowStatus(true);
            channel.SetStatusText("Performing " + std::to_string(count) +
                                  " reverse DNS lookups.. please be patient, this is a slow "
                                  "operation!");
            channel.SetProgressRange(1, 100);
            channel.SetProgressPos(1);
            channel.SetStatusText("Host lookup - stage 1 of 2: Preparing to perform " +
                                  std::to_string(count) + " reverse DNS lookups ...");
            if (!CollectAddresses(channel, rows, state, addresses)) return;
        }
        channel.SetProgressPos(0);
        state.completed.store(0, std::memory_order_relaxed);
        LookUpAndStore(channel, db, base, state, lookup, workers, addresses);
    } catch (const CADOException& error) {
        channel.MessageBox("SQL Error in ReversDNS process\r\n\r\n" + error.ErrorText() +
                           "\r\n\r\nSQL:\r\n" + query);
    }
}
