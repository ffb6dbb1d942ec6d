#include <gtest/gtest.h>

#include <filesystem>

#include "app/AboutHelp.h"
#include "app/CKestrelportDlg.h"
#include "app/ProgramVersion.h"
#include "app/SettingsStore.h"
#include "support/RecordingWindowServices.h"
#include "support/TestSupport.h"
#include "textfiles/DataFiles.h"

namespace {

class HelpMenuTest : public ::testing::Test {
  protected:
    TempDir dir;
    SettingsStore settings{dir.File("Kestrelport.conf")};
    RecordingWindowServices window;
    CKestrelportDlg dialog{window, settings};
};

TEST(VersionTest, ComesFromTheBuildAndPrintsEveryPartInFull) {
    EXPECT_EQ(GetVersionString(), KESTRELPORT_VERSION);
    EXPECT_EQ(FormatVersion({2, 10, 300, 4000}), "2.10.300.4000");
    EXPECT_EQ(FormatVersion({0, 0, 0, 0}), "0.0.0.0");
}

TEST_F(HelpMenuTest, AboutShowsTheSameVersionLineFromMenuAndSystemMenu) {
    EXPECT_TRUE(dialog.OnCommand(CommandId::About));
    EXPECT_TRUE(dialog.OnSysCommand(CommandId::SysAbout | 0x3));
    const std::string line = std::string("Kestrelport Version: ") + KESTRELPORT_VERSION;
    EXPECT_EQ(window.aboutLines, (std::vector<std::string>{line, line}));
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(HelpMenuTest, UpdateCheckHandsTheVersionedAddressToTheDesktop) {
    EXPECT_TRUE(dialog.OnCommand(CommandId::CheckForUpdates));
    const std::string url =
        std::string("http://kestrelport.quillmoor.net/wuw/kestrelportvercheck.php?version=") +
        KESTRELPORT_VERSION;
    EXPECT_EQ(window.urlsOpened, std::vector<std::string>{url});
    EXPECT_TRUE(window.messages.empty());

    window.openSucceeds = false;
    dialog.CheckForUpdates();
    EXPECT_EQ(window.messages, std::vector<std::string>{"The update check failed."});
}

TEST_F(HelpMenuTest, HelpOpensTheProgramsHelpFileAtTheMainDialogTopic) {
    EXPECT_TRUE(dialog.OnCommand(CommandId::HelpFile));
    ASSERT_EQ(window.helpFilesOpened.size(), 1u);
    const std::filesystem::path path = window.helpFilesOpened[0].first;
    EXPECT_EQ(path.filename(), "test_app.html");
    EXPECT_EQ(path.parent_path(), ProgramFolder());
    EXPECT_EQ(window.helpFilesOpened[0].second, 131174);
    EXPECT_EQ(window.waitCursorDepth, 0);
    EXPECT_TRUE(window.messages.empty());

    window.openSucceeds = false;
    dialog.ShowHelpFile();
    EXPECT_EQ(window.messages, std::vector<std::string>{"Failed to launch help."});
    EXPECT_EQ(window.waitCursorDepth, 0) << "the wait cursor ends on failure too";
}

TEST(HelpFileNameTest, ReplacesOnlyTheProgramFilesOwnExtension) {
    EXPECT_EQ(HelpFileName("/opt/kp/kestrelport-gui"), "kestrelport-gui.html");
    EXPECT_EQ(HelpFileName("/opt/kp.v2/kestrelport-gui"), "kestrelport-gui.html");
    EXPECT_EQ(HelpFileName("/opt/kp/Kestrelport.exe"), "Kestrelport.html");
    EXPECT_EQ(HelpFileName("/opt/kp/kestrelport.gui.bin"), "kestrelport.gui.html");
}

}  // namespace
