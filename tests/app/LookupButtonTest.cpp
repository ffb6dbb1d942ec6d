#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/CKestrelportDlg.h"
#include "app/SettingsStore.h"
#include "passes/PassTable.h"
#include "support/RecordingWindowServices.h"

namespace {

using namespace std::chrono_literals;

class LookupButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog.HostLookup = [this](const std::string& address) {
            lookups.fetch_add(1);
            std::this_thread::sleep_for(delay);
            return "host-" + address;
        };
        dialog.LookupWorkers = 2;
    }
    void ShowFields(const PassTable& table) {
        window.At(ControlId::ConnString).text = table.Connection();
        window.At(ControlId::TableBase).text = table.Base();
    }
    void Click() { dialog.OnCommand(ControlId::Lookup); }
    void ExpectIdle() {
        EXPECT_EQ(dialog.LookupRunning.load(), 0);
        EXPECT_EQ(window.At(ControlId::Lookup).text, "IP->Hostnames");
        EXPECT_TRUE(window.At(ControlId::Go).enabled);
        EXPECT_FALSE(window.At(ControlId::Progress).visible);
        EXPECT_FALSE(window.At(ControlId::Status).visible);
    }

    TempDir dir;
    SettingsStore settings{dir.File("config/Kestrelport.conf")};
    RecordingWindowServices window;
    CKestrelportDlg dialog{window, settings};
    std::atomic<int> lookups{0};
    std::chrono::milliseconds delay{0};
};

TEST_F(LookupButtonTest, WithoutAConnectionOrTableNothingStarts) {
    Click();
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(dialog.LookupRunning.load(), 0);

    KP_PASS_TABLE(table, Driver::Sqlite, dir);
    ShowFields(*table);
    window.At(ControlId::TableBase).text = "Other";
    Click();
    EXPECT_EQ(window.messages, std::vector<std::string>{
                                   "The target table does not exist in the specified database!"});
    EXPECT_EQ(dialog.LookupRunning.load(), 0);
    EXPECT_EQ(lookups.load(), 0);
}

TEST_F(LookupButtonTest, AClickDuringThePassPausesItAndTheNextClickCarriesOn) {
    KP_PASS_TABLE(table, Driver::Sqlite, dir);
    std::vector<Hit> hits;
    for (int i = 0; i < 30; ++i) hits.push_back({.ip = "10.0.3." + std::to_string(i)});
    table->Add(hits);
    ShowFields(*table);
    delay = 20ms;

    std::string buttonWhileRunning;
    bool goEnabledWhileRunning = true;
    window.onPump = [&] {
        // The first pump of the progress monitor: stage 1 pumps once per address.
        if (window.pumps != 31) return;
        buttonWhileRunning = window.At(ControlId::Lookup).text;
        goEnabledWhileRunning = window.At(ControlId::Go).enabled;
        // The user empties a field and then pauses: the pause must not depend on the fields.
        window.At(ControlId::ConnString).text = "";
        Click();
        EXPECT_EQ(window.At(ControlId::Lookup).text, "IP->Hostnames") << "idle at once";
        EXPECT_TRUE(window.At(ControlId::Go).enabled);
    };
    Click();
    EXPECT_EQ(buttonWhileRunning, "Pause IP->Hostnames");
    EXPECT_FALSE(goEnabledWhileRunning);
    ExpectIdle();
    const int firstRun = lookups.load();
    EXPECT_LT(firstRun, 30);

    window.onPump = nullptr;
    ShowFields(*table);
    Click();
    ExpectIdle();
    EXPECT_EQ(lookups.load(), 30) << "the second run looks up only what the first left";
    for (const std::string& name : table->Column("HostName")) EXPECT_EQ(name.rfind("host-", 0), 0u);
    EXPECT_TRUE(window.messages.empty());
}

}  // namespace
