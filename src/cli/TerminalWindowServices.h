#pragma once
// The dialog's window services on a terminal: the controls are plain values, message boxes are
// printed to stderr, the status line and progress bar become one line redrawn in place on
// stdout (only on a terminal), and the error log goes to stderr or a file.

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "app/WindowServices.h"

class TerminalWindowServices : public WindowServices {
  public:
    struct Settings {
        bool drawProgress = false;  // stdout is a terminal and the user did not ask for quiet
        std::string errorLogFile;   // empty: the error log goes to stderr
        std::FILE* out = stdout;
        std::FILE* err = stderr;
    };

    explicit TerminalWindowServices(Settings settings);
    ~TerminalWindowServices() override;

    // Runs inside PumpMessages when the user pressed Ctrl-C since the last pump.
    std::function<void()> onInterrupt;

    // False once the error log could not be written to its file: the run itself may have gone
    // through, but the list must not get lost unnoticed.
    bool ErrorLogWritten() const { return errorLogWritten_; }

    // Prints a line of the program's own on stderr, clearing the progress line first.
    void PrintNote(const std::string& text);

    void ShowControl(int id, bool visible) override;
    bool IsControlVisible(int id) const override;
    void EnableControl(int id, bool enabled) override;
    bool IsControlEnabled(int id) const override;
    void SetControlText(int id, const std::string& text) override;
    std::string GetControlText(int id) const override;
    void SetCheck(int id, bool checked) override;
    bool GetCheck(int id) const override;

    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    int GetProgressPos() const override { return pos_; }
    void StepProgress() override { SetProgressPos(pos_ + 10); }

    // A question is answered No: there is no one to ask.
    Answer MessageBox(const std::string& text, MessageType type) override;
    void PumpMessages() override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}

    std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;
    void RunErrorLogDialog(CErrorLogDlg& dialog) override;
    void RunAboutDialog(const std::string& versionLine) override;
    std::optional<std::string> RunConnectionDialog(const std::string& current) override;
    bool OpenUrl(const std::string& url) override;
    bool OpenHelpFile(const std::string& path, int contextId) override;
    void EndDialog(int result) override;

  private:
    struct Control {
        std::string text;
        bool visible = true;
        bool enabled = true;
        bool checked = false;
    };

    const Control& Find(int id) const;
    std::string ProgressLine() const;
    void Redraw();
    void ClearLine();

    Settings settings_;
    std::map<int, Control> controls_;
    int low_ = 0, high_ = 100, pos_ = 0;
    bool errorLogWritten_ = true;
    std::string drawn_;  // what the progress line shows now; empty when nothing is drawn
};
