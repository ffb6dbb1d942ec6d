#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "passes/IndexLoop.h"
#include "passes/PassTable.h"
#include "passes/ReverseDns.h"
#include "support/RecordingChannel.h"

namespace {

using Texts = std::vector<std::string>;
using namespace std::chrono_literals;

// An injected name service that counts its calls; no address is ever looked up for real.
class FakeResolver {
  public:
    std::function<std::string(const std::string&)> answer = [](const std::string& address) {
        return "host-" + address;
    };
    std::chrono::milliseconds delay{0};

    ReverseLookupFn Lookup() {
        return [this](const std::string& address) {
            {
                std::lock_guard lock(mutex_);
                ++calls_[address];
            }
            if (delay.count() > 0) std::this_thread::sleep_for(delay);
            return answer(address);
        };
    }
    std::map<std::string, int> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::size_t Started() {
        std::lock_guard lock(mutex_);
        return calls_.size();
    }

  private:
    std::mutex mutex_;
    std::map<std::string, int> calls_;
};

std::string AddressQuery(const std::string& base) {
    const std::string t = "[" + base + "_data]";
    return "Select\n  " + t + ".IP\nFrom\n  " + t + "\nWhere\n  " + t + ".HostName Is Null\n" +
           "Group By\n  " + t + ".IP";
}

class ReverseDnsTest : public ::testing::TestWithParam<Driver> {
  protected:
    void Run(PassTable& table, unsigned workers = 4) {
        ReversDNS(channel, table.db, table.Base(), state, resolver.Lookup(), workers);
    }
    void ExpectIdle() {
        EXPECT_EQ(state.LookupRunning.load(), 0);
        EXPECT_FALSE(channel.lookupRunning);
        EXPECT_FALSE(channel.progressVisible);
        EXPECT_FALSE(channel.statusVisible);
    }

    TempDir dir;
    RecordingChannel channel;
    ReverseDnsState state;
    FakeResolver resolver;
};

TEST_P(ReverseDnsTest, EachAddressWithoutANameIsLookedUpOnceAndFillsAllItsRows) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({{.ip = "10.0.0.1"},
                {.ip = "10.0.0.2"},
                {.ip = "10.0.0.1"},
                {.ip = "10.0.0.3", .hostName = "known.example"},
                {.ip = "10.0.0.1"}});
    Run(*table);

    EXPECT_EQ(table->Column("HostName"), (Texts{"host-10.0.0.1", "host-10.0.0.2", "host-10.0.0.1",
                                                "known.example", "host-10.0.0.1"}));
    EXPECT_EQ(resolver.Calls(), (std::map<std::string, int>{{"10.0.0.1", 1}, {"10.0.0.2", 1}}));
    ASSERT_GE(channel.statusTexts.size(), 2u);
    EXPECT_EQ(channel.statusTexts[0],
              "Performing 2 reverse DNS lookups.. please be patient, this is a slow operation!");
    EXPECT_EQ(channel.statusTexts[1],
              "Host lookup - stage 1 of 2: Preparing to perform 2 reverse DNS lookups ...");
    EXPECT_EQ(channel.lookupRunningChanges, (std::vector<bool>{true, false}));
    EXPECT_TRUE(channel.messages.empty());
    ExpectIdle();

    // Everything has a name now: the next run starts and ends without showing progress.
    channel = RecordingChannel();
    Run(*table);
    EXPECT_FALSE(channel.everShowedProgress);
    EXPECT_EQ(resolver.Calls().size(), 2u);
    ExpectIdle();
}

TEST_P(ReverseDnsTest, AnswersAreStoredAsDataWhateverTheyHold) {
    KP_PASS_TABLE(table, GetParam(), dir);
    const std::string latin1Address = "caf\xE9";
    // Log lines keep every byte, 0x00 included, so such an address reaches the table.
    const std::string zeroAddress("10.0\0.9", 7);
    table->Add({{.ip = "10.0.0.1"},
                {.ip = "10.0.0.2"},
                {.ip = "o'hara.example"},
                {.ip = "x' OR '1'='1"},
                {.ip = latin1Address},
                {.ip = zeroAddress}});
    resolver.answer = [&](const std::string& address) -> std::string {
        if (address == "10.0.0.1") return "Error # -2\n";
        if (address == "10.0.0.2") return std::string(300, 'a');
        if (address == latin1Address) return "h\xF6st";
        if (address == zeroAddress) return std::string("n\0l", 3);
        return "it's." + address;
    };
    Run(*table);

    EXPECT_EQ(table->Column("HostName"),
              (Texts{"Error # -2\n", std::string(255, 'a'), "it's.o'hara.example",
                     "it's.x' OR '1'='1", "h\xF6st", std::string("n\0l", 3)}));
    EXPECT_TRUE(channel.messages.empty()) << channel.messages.front();
    ExpectIdle();

    // A failed lookup is stored like a name, so it is not collected again.
    Run(*table);
    EXPECT_EQ(resolver.Calls().at("10.0.0.1"), 1);
}

TEST_P(ReverseDnsTest, APauseInStageOneLooksNothingUp) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({{.ip = "10.0.0.1"}, {.ip = "10.0.0.2"}});
    channel.onPump = [&] { state.LookupRunning.store(0); };
    Run(*table);
    EXPECT_EQ(resolver.Started(), 0u);
    EXPECT_EQ(channel.pumps, 1);
    EXPECT_EQ(table->Column("HostName"), (Texts{"NULL", "NULL"}));
    ExpectIdle();
}

TEST_P(ReverseDnsTest, APauseInStageTwoStopsNewLookupsAndTheNextRunDoesTheRest) {
    KP_PASS_TABLE(table, GetParam(), dir);
    constexpr int kAddresses = 40;
    constexpr unsigned kWorkers = 3;
    std::vector<Hit> hits;
    for (int i = 0; i < kAddresses; ++i) hits.push_back({.ip = "10.0.1." + std::to_string(i)});
    table->Add(hits);
    resolver.delay = 20ms;
    std::size_t startedAtPause = 0;
    // Stage 1 pumps once per address; the next pump is the progress monitor's.
    channel.onPump = [&] {
        if (channel.pumps == kAddresses + 1) {
            startedAtPause = resolver.Started();
            state.LookupRunning.store(0);
        }
    };
    Run(*table, kWorkers);
    ExpectIdle();
    const std::size_t firstRun = resolver.Started();
    EXPECT_LT(firstRun, static_cast<std::size_t>(kAddresses));
    EXPECT_LE(firstRun, startedAtPause + kWorkers) << "lookups started after the pause";

    Texts names = table->Column("HostName");
    std::set<std::string> unnamed;
    for (int i = 0; i < kAddresses; ++i) {
        const std::string ip = "10.0.1." + std::to_string(i);
        if (names[static_cast<std::size_t>(i)] == "NULL") {
            unnamed.insert(ip);
        } else {
            EXPECT_EQ(names[static_cast<std::size_t>(i)], "host-" + ip);
        }
    }
    EXPECT_EQ(unnamed.size(), kAddresses - firstRun) << "every finished lookup was stored";

    channel.onPump = nullptr;
    Run(*table, kWorkers);
    for (const auto& [address, count] : resolver.Calls()) {
        EXPECT_EQ(count, 1) << address << " looked up again";
    }
    EXPECT_EQ(resolver.Started(), static_cast<std::size_t>(kAddresses));
    ExpectIdle();
}

TEST_P(ReverseDnsTest, MissingTableIsReportedWithTheAddressQuery) {
    KP_PASS_TABLE(table, GetParam(), dir);
    Run(*table);  // nothing to do
    ReversDNS(channel, table->db, "Gone", state, resolver.Lookup(), 2);
    ASSERT_EQ(channel.messages.size(), 1u);
    const std::string& message = channel.messages[0];
    EXPECT_EQ(message.rfind("SQL Error in ReversDNS process\r\n\r\n", 0), 0u);
    const std::string tail = "\r\n\r\nSQL:\r\n" + AddressQuery("Gone");
    ASSERT_GT(message.size(), tail.size());
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
    ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(Drivers, ReverseDnsTest,
                         ::testing::Values(Driver::Sqlite, Driver::Postgres), DriverName);

TEST(ReverseDnsFailureTest, AFailingUpdateEndsThePassAndKeepsWhatWasStored) {
    TempDir dir;
    RecordingChannel channel;
    ReverseDnsState state;
    FakeResolver resolver;
    KP_PASS_TABLE(table, Driver::Sqlite, dir);
    std::vector<Hit> hits;
    for (int i = 0; i < 30; ++i) hits.push_back({.ip = "10.0.2." + std::to_string(i)});
    table->Add(hits);
    CADOCommand(table->db,
                "CREATE TRIGGER refuse BEFORE UPDATE ON Web_data WHEN NEW.IP = '10.0.2.0' "
                "BEGIN SELECT RAISE(ABORT, 'host refused'); END")
        .Execute();
    ReversDNS(channel, table->db, "Web", state, resolver.Lookup(), 1);

    ASSERT_EQ(channel.messages.size(), 1u);
    EXPECT_NE(channel.messages[0].find("host refused"), std::string::npos);
    EXPECT_NE(channel.messages[0].find("\r\n\r\nSQL:\r\n" + AddressQuery("Web")),
              std::string::npos);
    EXPECT_EQ(resolver.Started(), 1u) << "one worker, cancelled at its first failure";
    EXPECT_EQ(state.LookupRunning.load(), 0);
    EXPECT_FALSE(channel.lookupRunning);
    EXPECT_FALSE(channel.progressVisible);
}

TEST(ReverseLookupTest, LoopbackIsLookedUpAndHostNamesAreKept) {
    const std::string local = ReverseLookup("127.0.0.1");
    EXPECT_FALSE(local.empty());
    EXPECT_NE(local.rfind("Error # ", 0), 0u) << local;
    // Already a name: stored as it is, never sent to the name service.
    EXPECT_EQ(ReverseLookup("crawl-66-249-66-1.googlebot.com"), "crawl-66-249-66-1.googlebot.com");
    EXPECT_EQ(ReverseLookup("-Missing-"), "-Missing-");
}

// Runs the loop and returns how often each index ran.
std::vector<int> Visits(std::size_t count, unsigned workers, std::size_t* parts = nullptr) {
    std::vector<std::atomic<int>> visits(count);
    IndexLoop loop(count, workers, [&](std::size_t i) {
        visits[i].fetch_add(1);
        return true;
    });
    if (parts) *parts = loop.PartCount();
    loop.Wait();
    return std::vector<int>(visits.begin(), visits.end());
}

TEST(IndexLoopTest, EveryIndexRunsExactlyOnceWithNoMorePartsThanIndices) {
    for (const auto& [count, workers] :
         std::vector<std::pair<std::size_t, unsigned>>{{0, 4}, {1, 4}, {3, 8}, {7, 3}, {1000, 4}}) {
        std::size_t parts = 0;
        const std::vector<int> visits = Visits(count, workers, &parts);
        EXPECT_EQ(visits, std::vector<int>(count, 1)) << count << " indices, " << workers;
        EXPECT_EQ(parts, std::min<std::size_t>(count, workers));
    }
}

TEST(IndexLoopTest, IdleWorkersTakeOverTheUnstartedIndicesOfABusyOne) {
    // Index 0 blocks until every other index has run. Indices 1..4 share its part, so the loop
    // ends only when the other worker takes them over.
    constexpr std::size_t kCount = 10;
    std::atomic<std::size_t> others{0};
    IndexLoop loop(kCount, 2, [&](std::size_t i) {
        if (i != 0) {
            others.fetch_add(1);
            return true;
        }
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (others.load() < kCount - 1 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        return true;
    });
    loop.Wait();
    EXPECT_EQ(others.load(), kCount - 1);
}

TEST(IndexLoopTest, CancellingOrThrowingStopsNewIndices) {
    std::atomic<int> ran{0};
    IndexLoop cancelled(100, 1, [&](std::size_t i) {
        ran.fetch_add(1);
        return i < 4;
    });
    cancelled.Wait();
    EXPECT_EQ(ran.load(), 5);

    IndexLoop throwing(100, 1, [&](std::size_t i) -> bool {
        if (i == 2) throw CADOException(7, "refused");
        return true;
    });
    EXPECT_THROW(throwing.Wait(), CADOException);
}

}  // namespace
