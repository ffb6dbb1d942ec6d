#pragma once
// The main dialog without its toolkit: the owner of everything an export needs for longer than
// one call (lists, reverse DNS state) and of its handlers. The export's set-up lives in the
// fields on screen; every handler reads it from there when it starts. It talks to the screen
// only through WindowServices and reports long work through the progress channel it implements
// over the progress bar (1007) and the status line (1008).

#include <atomic>
#include <cstdint>
#include <string>

#include "app/ExportSettings.h"
#include "app/RunOutcome.h"
#include "app/WindowServices.h"
#include "passes/ProgressChannel.h"
#include "passes/ReverseDns.h"
#include "pipeline/CoreWriter.h"
#include "pipeline/IpToCountry.h"
#include "pipeline/SearchEngines.h"
#include "textfiles/CStringArrayPBEx.h"

class SettingsStore;

class CKestrelportDlg : public ProgressChannel {
  public:
    // The result with which Quit ends the dialog.
    static constexpr int CancelResult = 2;

    CKestrelportDlg(WindowServices& window, SettingsStore& settings);
    CKestrelportDlg(const CKestrelportDlg&) = delete;
    CKestrelportDlg& operator=(const CKestrelportDlg&) = delete;

    // Dialog start once the window exists: the stored settings into the fields, the progress
    // display hidden, the data files loaded. True: the focus goes to the first control.
    bool OnInitDialog();
    // The set-up the fields show, with the worker count the dialog keeps (LookupWorkers).
    ExportSettings SettingsFromControls() const;
    // Shows the seven values in their fields and keeps the worker count.
    void ShowSettings(const ExportSettings& settings);
    // Runs the handler of a button or menu command; false for an id that is not a command.
    bool OnCommand(int id);
    // The system menu: its About item (0x10 with the low four bits ignored) shows the About box.
    bool OnSysCommand(int id);
    void OnQuit();

    // File menu.
    void NewProject();
    void OpenProject();
    void SaveProject();
    void SaveProjectAs();

    // Commands built elsewhere. "Go!" runs an export; the lookup button pauses the running
    // lookups or else starts them. The terminal program runs the two runs directly.
    RunOutcome RunExport();
    void OnLookupButton();
    RunOutcome RunHostNameLookups();
    void OnBuildConnectionString();
    void ShowHelpFile();
    void CheckForUpdates();
    void ShowAbout();

    // The steps of an export run. Each shows its own failures and answers whether it went
    // through; for the writer that includes every pass after it.
    bool PrepareTargetTable(const ExportSettings& settings);
    bool WriteCombinedLog(const ExportSettings& settings, LineSource& lines);

    // Progress channel over the dialog's controls.
    Answer MessageBox(const std::string& text, MessageType type = MessageType::Ok) override;
    void ShowProgress(bool visible) override;
    void ShowStatus(bool visible) override;
    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void StepProgress() override;
    int GetProgressPos() const override;
    void PumpMessages() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void ShowLookupRunning(bool running) override;

    // Month names, search engines and spiders from the program's folder; silent when missing.
    void LoadDataFiles();

    WindowServices& Window() { return window_; }
    SettingsStore& Settings() { return settings_; }

    // The dialog state. The export run, the writer and the passes read and fill it directly.

    // The reverse DNS flag and counters, shared with the lookup workers; LookupRunning,
    // LookupsCompleted and LookupTotal name its members. Only the dialog's thread writes the flag;
    // workers read it with relaxed ordering, as a stop request needs no ordering with other data.
    ReverseDnsState ReverseDns;
    std::atomic<int>& LookupRunning = ReverseDns.LookupRunning;
    // The name service used by the lookups and the number of workers (0: one per processor),
    // which no field shows.
    ReverseLookupFn HostLookup = ReverseLookup;
    unsigned LookupWorkers = 0;
    std::string CurrentProjectFile;
    CountryRangeList CountryRanges;
    CStringArrayPBEx MonthNameList;
    CStringArrayPBEx IncludeExtList;
    CStringArrayPBEx PageHitExtList;
    CStringArrayPBEx SpiderList;
    SearchEngineList SearchEngines;
    // Reverse DNS progress: the workers increase the counter at once, the dialog's thread reads
    // it to show the progress.
    std::atomic<std::uint32_t>& LookupsCompleted = ReverseDns.completed;
    std::uint32_t& LookupTotal = ReverseDns.total;
    // What the last export wrote, for the terminal program's summary line.
    CoreWriterCounts LastExportCounts;

  private:
    // Holds "Go!" disabled while an export's writer and passes run (defined with the export).
    class ExportRunning;
    // Ends the wait cursor while a modal window is up and restores it afterwards: a wait cursor
    // over a message box or the error log makes the program look hung while it waits for the
    // user (defined with the progress channel).
    class NormalCursor;
    // Runs `show` (a modal window) under the normal cursor and answers what it answers.
    template <class Show>
    auto WithNormalCursor(Show show);

    // "Go!" is usable only while neither an export nor a reverse DNS pass runs. Either can end
    // inside the other's message pumping, so each end asks rather than enables.
    void UpdateGoButton();

    WindowServices& window_;
    SettingsStore& settings_;
    int exportsRunning_ = 0;
    bool lookupShown_ = false;
    int waitCursorDepth_ = 0;
};
