#include <gtest/gtest.h>

#include "app/ProjectFile.h"
#include "support/TestSupport.h"

namespace {

ExportSettings SampleProject() {
    return {"/var/log/access.log.gz",
            "Provider=SQLite;Data Source=/tmp/w.db",
            "Shop",
            true,
            "htm;html;;",
            "htm;php",
            false};
}

std::optional<ExportSettings> ParseText(const std::string& text) {
    CStringArrayPBEx lines;
    lines.Split(text, "\n");
    return ParseProjectFile(lines);
}

TEST(ProjectFile, WritesTheHeaderVersionAndKeyLinesInOrderLeavingEmptyTextsOut) {
    TempDir dir;
    ASSERT_TRUE(SaveProjectFile(dir.File("p.txt"), SampleProject(), nullptr));
    EXPECT_EQ(ReadBytes(dir.File("p.txt")),
              "- Kestrelport Project File -\r\nVersion=1.0\r\n"
              "Weblog file=/var/log/access.log.gz\r\n"
              "Connection string=Provider=SQLite;Data Source=/tmp/w.db\r\n"
              "Table base name=Shop\r\nReset contents First=Y\r\n"
              "Include extensions=htm;html;;\r\nPageHitExtensions=htm;php\r\n"
              "Automatic reverse DNS=N\r\n");

    ExportSettings sparse;
    sparse.autoDns = true;
    ASSERT_TRUE(SaveProjectFile(dir.File("s.txt"), sparse, nullptr));
    EXPECT_EQ(ReadBytes(dir.File("s.txt")),
              "- Kestrelport Project File -\r\nVersion=1.0\r\nReset contents First=N\r\n"
              "Automatic reverse DNS=Y\r\n");
}

TEST(ProjectFile, SavedProjectsLoadBackUnchanged) {
    TempDir dir;
    std::string everyByte;
    for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
    std::vector<ExportSettings> projects = {SampleProject(), ExportSettings{}};
    ExportSettings odd = SampleProject();
    odd.connectionString = "Provider=X;\r\nData Source=Y\nPassword=a=b\\n";
    odd.logFile = "C:\\new\\logs\\a.log";
    odd.tableBaseName = everyByte;
    projects.push_back(odd);
    for (const ExportSettings& project : projects) {
        ASSERT_TRUE(SaveProjectFile(dir.File("p.txt"), project, nullptr));
        ExportSettings loaded;
        loaded.tableBaseName = "stale";
        ASSERT_EQ(LoadProjectFile(dir.File("p.txt"), loaded), ProjectLoadResult::Loaded);
        EXPECT_EQ(loaded, project);
    }
}

// A value that needs its escaped line keeps its plain line too: a reader that knows only the
// plain keys gets what it always got, and a Ctrl-Z in a value hides none of the later lines.
TEST(ProjectFile, ValuesTheLineFormatCannotHoldStillGetTheirPlainLines) {
    TempDir dir;
    ExportSettings project = SampleProject();
    project.connectionString = "Provider=X;\r\nData Source=Y";
    project.tableBaseName =
        "Shop\x1A"
        "Tail";
    ASSERT_TRUE(SaveProjectFile(dir.File("p.txt"), project, nullptr));

    CStringArrayPBEx plain;
    ASSERT_TRUE(plain.LoadFromFile(dir.File("p.txt")));
    EXPECT_EQ(plain.GetValue("Connection string"), "Provider=X;");
    EXPECT_EQ(plain.GetValue("Table base name"), "Shop");
    EXPECT_EQ(plain.GetValue("Include extensions"), "htm;html;;");
    EXPECT_EQ(plain.GetValue("Automatic reverse DNS"), "N");
    EXPECT_EQ(ParseProjectFile(plain), project);
}

TEST(ProjectFile, ReadingMatchesKeysWithoutCaseAndBooleansOnlyByAnExactY) {
    auto project = ParseText("- Kestrelport Project File -\nreset contents first=Y\n");
    ASSERT_TRUE(project);
    EXPECT_TRUE(project->resetTable);
    EXPECT_EQ(*project, (ExportSettings{"", "", "", true, "", "", false}));

    project = ParseText(
        "- Kestrelport Project File -\nVersion=9\nnoise line\nCONNECTION STRING=a=b;c\n"
        "Connection string=second\nReset contents First=y\nAutomatic reverse DNS=Yes\n");
    ASSERT_TRUE(project);
    EXPECT_EQ(project->connectionString, "a=b;c");
    EXPECT_FALSE(project->resetTable);
    EXPECT_FALSE(project->autoDns);

    // Backslashes in files of the plain form are ordinary characters.
    project = ParseText("- Kestrelport Project File -\nWeblog file=C:\\new\\x41.log\n");
    EXPECT_EQ(project->logFile, "C:\\new\\x41.log");
}

TEST(ProjectFile, OnlyTheExactHeaderMakesAProjectFile) {
    EXPECT_FALSE(ParseText("- kestrelport project file -\nTable base name=a\n"));
    EXPECT_FALSE(ParseText(" - Kestrelport Project File -\n"));
    EXPECT_FALSE(ParseText(""));

    TempDir dir;
    ExportSettings project = SampleProject();
    const ExportSettings before = project;
    WriteBytes(dir.File("empty.txt"), "");
    EXPECT_EQ(LoadProjectFile(dir.File("empty.txt"), project), ProjectLoadResult::NotAProjectFile);
    EXPECT_EQ(LoadProjectFile(dir.File("missing.txt"), project), ProjectLoadResult::Unreadable);
    EXPECT_EQ(project, before);
}

}  // namespace
