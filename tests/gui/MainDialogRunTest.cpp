// Whole runs through the real Qt window: what a user types into the widgets reaches the export
// and the project files unchanged, and the window shows the run's states while it pumps events.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/WindowServices.h"
#include "gui/ErrorLogDialog.h"
#include "gui/GuiTestSupport.h"
#include "gui/MainDialogBinding.h"

namespace {

constexpr int kGoodLines = 1500;  // three progress steps, each of which pumps events

std::string LogLine(int i) {
    return std::to_string(10 + i % 40) + ".0.0." + std::to_string(1 + i % 7) +
           " - - [10/Oct/2012:13:" + std::to_string(10 + i % 50) + ":36 +0100] \"GET /page" +
           std::to_string(i % 13) + ".html HTTP/1.0\" 200 2326 \"-\" \"Mozilla/5.0\"\n";
}

// A log of kGoodLines lines with two malformed ones among them: one cut short, one with a
// timestamp that is none.
std::string LogWithTwoMalformedLines() {
    std::string log;
    for (int i = 0; i < kGoodLines; ++i) {
        log += LogLine(i);
        if (i == 100) log += "10.1.1.1 - - [10/Oct/2012:13:55:36 +0100] \"GET /cut.html\n";
        if (i == 700)
            log += "10.1.1.2 - - [99/Foo/2012:99:99:99 +0100] \"GET /x.html HTTP/1.0\" 200 1\n";
    }
    return log;
}

std::string MakeDataFolder(const TempDir& dir) {
    const std::filesystem::path folder = dir.Path() / "data";
    std::filesystem::create_directories(folder);
    WriteBytes((folder / "IpToCountry.csv").string(),
               "\"167772160\",\"184549375\",\"iana\",\"410227200\",\"ZZ\",\"ZZZ\",\"Reserved\"\n");
    return folder.string();
}

long CountRows(const std::string& database, const std::string& table) {
    sqlite3* db = nullptr;
    long rows = -1;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        const std::string sql = "SELECT COUNT(*) FROM \"" + table + "\"";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            rows = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

// What the window showed at one moment of a run.
struct Sample {
    bool goEnabled;
    bool statusVisible;
    bool progressVisible;
};

class MainDialogRunTest : public GuiTest {
  protected:
    MainDialogRunTest() {
        main.Dialog().OnInitDialog();
        main.Window().show();
        WriteBytes(logFile, LogWithTwoMalformedLines());
        // Any message box would wait for a click that never comes: it is noted and closed, and
        // the test fails on it below.
        QObject::connect(&watcher, &QTimer::timeout, [this] { OnTick(); });
        watcher.start(0);
    }

    ~MainDialogRunTest() override { watcher.stop(); }

    // Runs at every pass of the event loop: inside the run's event pumping, and inside the
    // modal loops of dialogs the run opens.
    void OnTick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages.push_back(box->text().toStdString());
            box->done(QMessageBox::Ok);
        } else if (auto* errorLog = qobject_cast<ErrorLogDialog*>(modal)) {
            errorLogText = qobject_cast<QPlainTextEdit*>(errorLog->Control(ControlId::ErrorLogText))
                               ->toPlainText()
                               .toStdString();
            errorLogGoEnabled = Services().IsControlEnabled(ControlId::Go);
            errorLog->reject();
        } else if (!modal && main.Window().IsRunningCommand()) {
            samples.push_back({Services().IsControlEnabled(ControlId::Go),
                               Services().IsControlVisible(ControlId::Status),
                               Services().IsControlVisible(ControlId::Progress)});
            if (onRunningTick) onRunningTick();
        }
    }

    WindowServices& Services() { return main.Dialog().Window(); }

    void Type(int id, const QString& text) {
        QWidget* field = main.Window().Control(id);
        field->setFocus();
        if (auto* multiLine = qobject_cast<QPlainTextEdit*>(field))
            multiLine->clear();
        else
            Services().SetControlText(id, "");
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(field, &typed);
    }

    void PressEnterIn(int id) {
        QWidget* field = main.Window().Control(id);
        field->setFocus();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(field, &enter);
    }

    TempDir dir;
    // The program's data files from a folder of the test's own, with one country range.
    const std::string dataFolder = MakeDataFolder(dir);
    ScopedEnv data{"KESTRELPORT_DATA_DIR", dataFolder.c_str()};
    FreshSettings settings;
    MainDialogBinding main{settings.Store()};
    const std::string logFile = dir.File("access.log");
    const std::string database = dir.File("web.db");
    QTimer watcher;
    std::vector<std::string> messages;
    std::string errorLogText;
    bool errorLogGoEnabled = true;
    std::vector<Sample> samples;
    std::function<void()> onRunningTick;
};

TEST_F(MainDialogRunTest, EnterInTheConnectionFieldRunsTheExportWithTheTypedValues) {
    ScreenshotFolder shots;
    const bool takeShots = shots.Prepare();
    Type(ControlId::LogFile, QString::fromStdString(logFile));
    Type(ControlId::ConnString, QString::fromStdString("Provider=SQLite;Data Source=" + database));
    Type(ControlId::TableBase, "web");
    if (takeShots) shots.SaveAsShown(main.Window(), "main-dialog-before-run.png");
    onRunningTick = [&] {
        if (takeShots && samples.size() == 1)
            shots.SaveAsShown(main.Window(), "main-dialog-during-run.png");
    };
    PressEnterIn(ControlId::ConnString);
    watcher.stop();
    if (takeShots) shots.SaveAsShown(main.Window(), "main-dialog-after-run.png");

    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(CountRows(database, "web_data"), kGoodLines + 2) << "malformed lines are written too";
    EXPECT_EQ(Services().GetControlText(ControlId::ConnString),
              "Provider=SQLite;Data Source=" + database)
        << "Enter did not break the line";

    ASSERT_FALSE(samples.empty()) << "the run never pumped events";
    for (const Sample& sample : samples) {
        EXPECT_FALSE(sample.goEnabled);
        EXPECT_TRUE(sample.statusVisible);
        EXPECT_TRUE(sample.progressVisible);
    }
    EXPECT_EQ(errorLogText.rfind("** There were 2 records in the log file", 0), 0u) << errorLogText;
    EXPECT_NE(errorLogText.find("Line 102 incomplete"), std::string::npos) << errorLogText;
    EXPECT_FALSE(errorLogGoEnabled) << "the list belongs to the run";

    EXPECT_TRUE(Services().IsControlEnabled(ControlId::Go));
    EXPECT_FALSE(Services().IsControlVisible(ControlId::Status));
    EXPECT_FALSE(Services().IsControlVisible(ControlId::Progress));
    EXPECT_FALSE(main.Window().IsRunningCommand());
}

// Save As and Open through the real file dialogs: the log name and the password must come back
// byte for byte, and the project file must hold the bytes the user gave, not a replacement.
TEST_F(MainDialogRunTest, SaveAsThenOpenKeepsEveryByteOfNamesAndPasswords) {
    const std::string latinName = "/logs/caf\xe9.log";
    const std::string connection =
        "Provider=PostgreSQL;Host=127.0.0.1;User ID=ann;Password=s\xe9"
        "cr=t;x;Database=logs";
    Services().SetControlText(ControlId::LogFile, latinName);
    Services().SetControlText(ControlId::ConnString, connection);
    Services().SetControlText(ControlId::TableBase, "night");
    const std::string project = dir.File("night.txt");

    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->selectFile(QString::fromStdString(project));
        static_cast<QDialog*>(dialog)->accept();
    });
    main.Window().RunCommand(CommandId::FileSaveAs);
    const std::string saved = ReadBytes(project);
    EXPECT_NE(saved.find(latinName), std::string::npos) << saved;
    EXPECT_NE(saved.find("s\xe9"
                         "cr=t"),
              std::string::npos)
        << saved;

    Services().SetControlText(ControlId::LogFile, "/other.log");
    Services().SetControlText(ControlId::ConnString, "Provider=SQLite;Data Source=/x.db");
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->selectFile(QString::fromStdString(project));
        static_cast<QDialog*>(dialog)->accept();
    });
    main.Window().RunCommand(CommandId::FileOpen);
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(Services().GetControlText(ControlId::LogFile), latinName);
    EXPECT_EQ(Services().GetControlText(ControlId::ConnString), connection);
    EXPECT_EQ(Services().GetControlText(ControlId::TableBase), "night");
}

// Quit in the middle of the write, with the reverse DNS pass to follow: the run ends without a
// single lookup, and the window closes once the run has returned.
TEST_F(MainDialogRunTest, QuitDuringARunWithAutoDnsEndsWithoutLookups) {
    std::atomic<int> lookups{0};
    main.Dialog().HostLookup = [&](const std::string&) {
        ++lookups;
        return std::string("host.invalid");
    };
    Services().SetControlText(ControlId::LogFile, logFile);
    Services().SetControlText(ControlId::ConnString, "Provider=SQLite;Data Source=" + database);
    Services().SetCheck(ControlId::AutoDns, true);
    onRunningTick = [&] {
        if (samples.size() == 1)
            qobject_cast<QAbstractButton*>(main.Window().Control(ControlId::Quit))->click();
    };
    PressEnterIn(ControlId::TableBase);
    watcher.stop();

    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_GT(CountRows(database, "WebLog_data"), 0);
    // Quit during the write leaves a request the reverse DNS pass honours; without it the pass
    // set its running flag anew when it started and looked up every address before closing.
    EXPECT_EQ(lookups.load(), 0);
    EXPECT_FALSE(main.Window().isVisible()) << "the dialog ended after the run";
    EXPECT_EQ(main.Window().result(), CKestrelportDlg::CancelResult);
}

}  // namespace
