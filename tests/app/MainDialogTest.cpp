#include <gtest/gtest.h>

#include <cstdlib>

#include "app/CKestrelportDlg.h"
#include "app/SettingsStore.h"
#include "support/RecordingWindowServices.h"
#include "support/TestSupport.h"

namespace {

class MainDialogTest : public ::testing::Test {
  protected:
    TempDir dir;
    // Data files from a folder of the test's own, so that the start-up loads are known.
    ScopedEnv data{"KESTRELPORT_DATA_DIR", dir.File("data").c_str()};
    SettingsStore settings{dir.File("config/Kestrelport.conf")};
    RecordingWindowServices window;
    CKestrelportDlg dialog{window, settings};
};

TEST_F(MainDialogTest, FirstStartShowsTheDefaultsAndNoProgressAndWritesNothing) {
    EXPECT_TRUE(dialog.OnInitDialog());
    EXPECT_EQ(window.At(ControlId::LogFile).text, "");
    EXPECT_EQ(window.At(ControlId::ConnString).text, "");
    EXPECT_EQ(window.At(ControlId::TableBase).text, "WebLog");
    EXPECT_TRUE(window.At(ControlId::Reset).checked);
    EXPECT_EQ(window.At(ControlId::IncludeExts).text, "htm;html;php;asp;jsp;css;js;txt;;");
    EXPECT_EQ(window.At(ControlId::PageHitExts).text, "htm;html;php;asp;jsp");
    EXPECT_FALSE(window.At(ControlId::AutoDns).checked);
    EXPECT_FALSE(window.At(ControlId::Progress).visible);
    EXPECT_FALSE(window.At(ControlId::Status).visible);
    EXPECT_TRUE(window.messages.empty()) << "missing data files are silent";
    EXPECT_FALSE(std::filesystem::exists(settings.Path()));
    EXPECT_EQ(dialog.MonthNameList.GetSize(), 12);
    EXPECT_TRUE(dialog.SpiderList.IsEmpty());
}

TEST_F(MainDialogTest, StartShowsTheStoredSettingsAndLoadsTheDataFiles) {
    settings.WriteText("Settings", "Source", "/logs/a b.log");
    settings.WriteText("Settings", "ConnString", "Provider=SQLite;\nData Source= /x.db ");
    settings.WriteText("Settings", "TableBasis", "");
    settings.WriteInt("Settings", "Reset", 0);
    settings.WriteText("Settings", "IncludeExts", "php");
    settings.WriteText("Settings", "PageHitExts", "");
    settings.WriteInt("Settings", "AutoDNS", 1);
    std::filesystem::create_directories(dir.File("data"));
    WriteBytes(dir.File("data/Spiders.txt"), "Googlebot\r\nbingbot\r\n");
    WriteBytes(dir.File("data/SearchEngines.tab"),
               "match\ttermkey\tpagekey\tperpage\r\n"
               "google.\tq\tstart\t10\r\n");

    dialog.OnInitDialog();
    EXPECT_EQ(window.At(ControlId::LogFile).text, "/logs/a b.log");
    EXPECT_EQ(window.At(ControlId::ConnString).text, "Provider=SQLite;\nData Source= /x.db ");
    EXPECT_EQ(window.At(ControlId::TableBase).text, "");
    EXPECT_FALSE(window.At(ControlId::Reset).checked);
    EXPECT_EQ(window.At(ControlId::IncludeExts).text, "php");
    EXPECT_EQ(window.At(ControlId::PageHitExts).text, "");
    EXPECT_TRUE(window.At(ControlId::AutoDns).checked);
    EXPECT_EQ(dialog.SpiderList, (CStringArrayPBEx{"Googlebot", "bingbot"}));
    ASSERT_EQ(dialog.SearchEngines.size(), 1u);
    EXPECT_EQ(dialog.SearchEngines[0].match, "google.");
}

TEST_F(MainDialogTest, SettingsAreReadFromEveryFieldAndShownInEveryField) {
    dialog.OnInitDialog();
    window.At(ControlId::ConnString).text = "c";
    window.At(ControlId::TableBase).text = "t";
    window.At(ControlId::Reset).checked = false;
    window.At(ControlId::IncludeExts).text = "i";
    window.At(ControlId::PageHitExts).text = "p";
    window.At(ControlId::AutoDns).checked = true;
    window.At(ControlId::LogFile).text = "log";
    dialog.LookupWorkers = 3;
    EXPECT_EQ(dialog.SettingsFromControls(),
              (ExportSettings{"log", "c", "t", false, "i", "p", true, 3}));

    RecordingWindowServices fresh;
    CKestrelportDlg other(fresh, settings);
    other.ShowSettings({"log2", "c2", "t2", true, "i2", "p2", false, 5});
    EXPECT_EQ(fresh.At(ControlId::LogFile).text, "log2");
    EXPECT_EQ(fresh.At(ControlId::ConnString).text, "c2");
    EXPECT_EQ(fresh.At(ControlId::TableBase).text, "t2");
    EXPECT_TRUE(fresh.At(ControlId::Reset).checked);
    EXPECT_EQ(fresh.At(ControlId::IncludeExts).text, "i2");
    EXPECT_EQ(fresh.At(ControlId::PageHitExts).text, "p2");
    EXPECT_FALSE(fresh.At(ControlId::AutoDns).checked);
    EXPECT_EQ(other.LookupWorkers, 5u);
}

TEST_F(MainDialogTest, QuitClearsTheLookupFlagEvenInTheMiddleOfWork) {
    dialog.OnInitDialog();
    dialog.LookupRunning = 1;
    int pumpsSeen = 0;
    window.onPump = [&] {
        if (++pumpsSeen == 3) {
            EXPECT_TRUE(dialog.OnCommand(ControlId::Quit));
        }
    };
    // A long phase that pumps between items and stops when the flag is cleared.
    while (dialog.LookupRunning.load(std::memory_order_relaxed) == 1 && pumpsSeen < 100)
        dialog.PumpMessages();
    EXPECT_EQ(pumpsSeen, 3);
    EXPECT_EQ(window.endDialogResults, std::vector<int>{CKestrelportDlg::CancelResult});
    EXPECT_FALSE(std::filesystem::exists(settings.Path())) << "nothing is stored at exit";
}

TEST_F(MainDialogTest, ProgressChannelDrivesTheBarTheStatusLineAndTheButtons) {
    dialog.OnInitDialog();
    {
        ProgressChannel& channel = dialog;
        ProgressScope scope(channel);
        channel.ShowProgress(true);
        channel.ShowStatus(true);
        channel.SetStatusText("Writing core data to SQL table..");
        channel.SetProgressRange(1, 100);
        channel.SetProgressPos(1);
        channel.StepProgress();
        EXPECT_EQ(channel.GetProgressPos(), 11);
        EXPECT_TRUE(window.At(ControlId::Progress).visible);
        EXPECT_TRUE(window.At(ControlId::Status).visible);
        EXPECT_EQ(window.At(ControlId::Status).text, "Writing core data to SQL table..");
        EXPECT_EQ(window.rangeLow, 1);
        EXPECT_EQ(channel.MessageBox("failed"), ProgressChannel::Answer::Ok);
    }
    EXPECT_FALSE(window.At(ControlId::Progress).visible);
    EXPECT_FALSE(window.At(ControlId::Status).visible);
    EXPECT_EQ(window.messages, std::vector<std::string>{"failed"});

    dialog.ShowLookupRunning(true);
    EXPECT_EQ(window.At(ControlId::Lookup).text, "Pause IP->Hostnames");
    EXPECT_FALSE(window.At(ControlId::Go).enabled);
    dialog.ShowLookupRunning(false);
    EXPECT_EQ(window.At(ControlId::Lookup).text, "IP->Hostnames");
    EXPECT_TRUE(window.At(ControlId::Go).enabled);
}

TEST_F(MainDialogTest, OnlyKnownCommandsAreHandled) {
    EXPECT_FALSE(dialog.OnCommand(1006));
    EXPECT_FALSE(dialog.OnSysCommand(0xF060));
    EXPECT_TRUE(dialog.OnSysCommand(0x13));
}

}  // namespace
