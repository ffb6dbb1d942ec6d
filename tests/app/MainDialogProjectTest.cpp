#include <gtest/gtest.h>

#include "app/CKestrelportDlg.h"
#include "app/CPBFileDialog.h"
#include "app/SettingsStore.h"
#include "support/RecordingWindowServices.h"
#include "support/TestSupport.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

constexpr const char* kNotAProject = "The selected file is not a recognised Project File";

class MainDialogProjectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog.OnInitDialog();
        FillFields("/logs/site.log", "Provider=SQLite;Data Source=/db/w.db", "Site", false,
                   "htm;php", "php", true);
    }
    void FillFields(const std::string& log, const std::string& conn, const std::string& table,
                    bool reset, const std::string& include, const std::string& pageHit,
                    bool autoDns) {
        window.At(ControlId::LogFile).text = log;
        window.At(ControlId::ConnString).text = conn;
        window.At(ControlId::TableBase).text = table;
        window.At(ControlId::Reset).checked = reset;
        window.At(ControlId::IncludeExts).text = include;
        window.At(ControlId::PageHitExts).text = pageHit;
        window.At(ControlId::AutoDns).checked = autoDns;
    }
    std::map<int, RecordingWindowServices::Control> Fields() const { return window.controls; }

    TempDir dir;
    SettingsStore settings{dir.File("Kestrelport.conf")};
    RecordingWindowServices window;
    CKestrelportDlg dialog{window, settings};
};

TEST_F(MainDialogProjectTest, SaveAsThenOpenRestoresEveryField) {
    window.fileDialogAnswers.push_back(dir.File("site.txt"));
    dialog.OnCommand(CommandId::FileSaveAs);
    ASSERT_EQ(window.fileDialogRequests.size(), 1u);
    const auto& request = window.fileDialogRequests[0];
    EXPECT_FALSE(request.open);
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_EQ(request.filter, "Project files (*.txt)|*.txt||");
    EXPECT_EQ(dialog.CurrentProjectFile, dir.File("site.txt"));
    EXPECT_TRUE(window.messages.empty());
    auto saved = Fields();

    FillFields("", "", "", true, "", "", false);
    window.fileDialogAnswers.push_back(dir.File("site.txt"));
    dialog.OnCommand(CommandId::FileOpen);
    EXPECT_TRUE(window.fileDialogRequests[1].open);
    EXPECT_EQ(window.fileDialogRequests[1].initialFile, dir.File("site.txt"));
    EXPECT_EQ(window.fileDialogRequests[1].initialFolder, dir.Path().string());
    for (int id : {ControlId::LogFile, ControlId::ConnString, ControlId::TableBase,
                   ControlId::IncludeExts, ControlId::PageHitExts}) {
        EXPECT_EQ(window.At(id).text, saved[id].text) << id;
    }
    EXPECT_FALSE(window.At(ControlId::Reset).checked);
    EXPECT_TRUE(window.At(ControlId::AutoDns).checked);
    EXPECT_EQ(dialog.SettingsFromControls().connectionString,
              "Provider=SQLite;Data Source=/db/w.db");
}

TEST_F(MainDialogProjectTest, AConnectionStringWithLineBreaksSurvivesSaveAndOpen) {
    const std::string conn = "Provider=PostgreSQL;\r\nHost=127.0.0.1;\nPassword=p=w\\d";
    window.At(ControlId::ConnString).text = conn;
    window.fileDialogAnswers.push_back(dir.File("p.txt"));
    dialog.SaveProject();
    window.At(ControlId::ConnString).text.clear();
    window.fileDialogAnswers.push_back(dir.File("p.txt"));
    dialog.OpenProject();
    EXPECT_EQ(window.At(ControlId::ConnString).text, conn);
}

TEST_F(MainDialogProjectTest, CancelledDialogsChangeAndWriteNothing) {
    const auto before = Fields();
    dialog.OnCommand(CommandId::FileOpen);
    dialog.OnCommand(CommandId::FileSave);  // no current file: asks for a name
    dialog.OnCommand(CommandId::FileSaveAs);
    EXPECT_EQ(window.fileDialogRequests.size(), 3u);
    EXPECT_EQ(Fields(), before);
    EXPECT_TRUE(dialog.CurrentProjectFile.empty());
    EXPECT_TRUE(window.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(settings.Path())) << "a cancel stores no folder";
}

TEST_F(MainDialogProjectTest, FailedOpensEmptyTheProjectFileAndKeepTheFields) {
    dialog.CurrentProjectFile = "/projects/old.txt";
    const auto before = Fields();
    window.fileDialogAnswers.push_back(dir.File("missing.txt"));
    dialog.OpenProject();
    EXPECT_TRUE(window.messages.empty()) << "a missing file is not reported";
    EXPECT_TRUE(dialog.CurrentProjectFile.empty());

    WriteBytes(dir.File("other.txt"), "- kestrelport project file -\r\nTable base name=x\r\n");
    WriteBytes(dir.File("empty.txt"), "");
    for (const char* name : {"other.txt", "empty.txt"}) {
        dialog.CurrentProjectFile = "/projects/old.txt";
        window.fileDialogAnswers.push_back(dir.File(name));
        dialog.OpenProject();
        EXPECT_TRUE(dialog.CurrentProjectFile.empty());
    }
    EXPECT_EQ(window.messages, (std::vector<std::string>{kNotAProject, kNotAProject}));
    EXPECT_EQ(Fields(), before);
}

TEST_F(MainDialogProjectTest, OpeningEmptiesFieldsWhoseKeysAreMissing) {
    WriteBytes(dir.File("sparse.txt"),
               "- Kestrelport Project File -\r\nreset contents first=Y\r\n");
    window.fileDialogAnswers.push_back(dir.File("sparse.txt"));
    dialog.OpenProject();
    for (int id : {ControlId::LogFile, ControlId::ConnString, ControlId::TableBase,
                   ControlId::IncludeExts, ControlId::PageHitExts}) {
        EXPECT_EQ(window.At(id).text, "") << id;
    }
    EXPECT_TRUE(window.At(ControlId::Reset).checked);
    EXPECT_FALSE(window.At(ControlId::AutoDns).checked);
    EXPECT_EQ(dialog.CurrentProjectFile, dir.File("sparse.txt"));
}

TEST_F(MainDialogProjectTest, ASaveThatCannotCreateTheFileShowsEachAttemptAndKeepsTheName) {
    const std::string target = dir.File("no such folder/p.txt");
    dialog.CurrentProjectFile = target;
    dialog.SaveProject();
    ASSERT_EQ(window.messages.size(), 5u);
    EXPECT_NE(window.messages[0].find(target), std::string::npos) << window.messages[0];
    EXPECT_EQ(dialog.CurrentProjectFile, target);
    EXPECT_TRUE(window.fileDialogRequests.empty());
}

TEST_F(MainDialogProjectTest, NewAsksThenResetsTheTargetFieldsAndKeepsTheProjectFile) {
    dialog.CurrentProjectFile = dir.File("old.txt");
    window.answers.push_back(WindowServices::Answer::No);
    const auto before = Fields();
    dialog.OnCommand(CommandId::FileNew);
    EXPECT_EQ(window.messages, std::vector<std::string>{"Create new project?"});
    EXPECT_EQ(Fields(), before);

    // Typed but not yet exchanged: the extension fields keep what the user sees.
    window.At(ControlId::IncludeExts).text = "typed";
    window.answers.push_back(WindowServices::Answer::Yes);
    dialog.NewProject();
    EXPECT_EQ(window.At(ControlId::LogFile).text, "");
    EXPECT_EQ(window.At(ControlId::ConnString).text, "");
    EXPECT_EQ(window.At(ControlId::TableBase).text, "");
    EXPECT_TRUE(window.At(ControlId::Reset).checked);
    EXPECT_TRUE(window.At(ControlId::AutoDns).checked);
    EXPECT_EQ(window.At(ControlId::IncludeExts).text, "typed");
    EXPECT_EQ(window.At(ControlId::PageHitExts).text, "php");

    // The next Save writes the fresh set-up over the project last opened or saved.
    dialog.SaveProject();
    EXPECT_TRUE(window.fileDialogRequests.empty());
    CStringArrayPBEx saved;
    ASSERT_TRUE(saved.LoadFromFile(dir.File("old.txt")));
    EXPECT_EQ(saved.GetValue("Reset contents First"), "Y");
    EXPECT_EQ(saved.GetValue("Table base name"), "");
}

TEST(ProjectFolder, IsTheDirectoryWithoutItsSeparatorExceptForTheRoot) {
    EXPECT_EQ(CPBFileDialog::FolderOf("/home/ann/sites/a.txt"), "/home/ann/sites");
    EXPECT_EQ(CPBFileDialog::FolderOf("/a.txt"), "/");
    EXPECT_EQ(CPBFileDialog::FolderOf("a.txt"), "");

    TempDir dir;
    SettingsStore settings(dir.File("Kestrelport.conf"));
    RecordingWindowServices window;
    window.fileDialogAnswers.push_back("/b.txt");
    CPBFileDialog first(window, settings, CPBFileDialog::Mode::Open, "");
    EXPECT_TRUE(first.DoModal());
    EXPECT_EQ(settings.ReadText("Settings", "Last project folder"), "/");
    window.fileDialogAnswers.push_back(std::string());
    CPBFileDialog second(window, settings, CPBFileDialog::Mode::Save, "");
    EXPECT_FALSE(second.DoModal()) << "an empty name counts as a cancel";
    EXPECT_EQ(window.fileDialogRequests[1].initialFolder, "/");
}

}  // namespace
