#pragma once
// The window services of the toolkit-free dialogs, carried out on the Qt main window: controls by
// their ids, the progress bar, message boxes, event pumping, the wait cursor, file dialogs, the
// modal sub-dialogs and the desktop's URL handling.

#include "app/WindowServices.h"

class MainDialogWindow;
class QProgressBar;

class QtWindowServices : public WindowServices {
  public:
    explicit QtWindowServices(MainDialogWindow& window);
    ~QtWindowServices() override;
    QtWindowServices(const QtWindowServices&) = delete;
    QtWindowServices& operator=(const QtWindowServices&) = delete;

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
    int GetProgressPos() const override;
    void StepProgress() override;

    Answer MessageBox(const std::string& text, MessageType type) override;
    void PumpMessages() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;

    void RunErrorLogDialog(CErrorLogDlg& dialog) override;
    void RunAboutDialog(const std::string& versionLine) override;
    std::optional<std::string> RunConnectionDialog(const std::string& current) override;

    bool OpenUrl(const std::string& url) override;
    bool OpenHelpFile(const std::string& path, int contextId) override;

    void EndDialog(int result) override;

    static constexpr int kProgressStep = 10;

  private:
    QProgressBar* Bar() const;

    MainDialogWindow& window_;
    int waitCursorDepth_ = 0;
};
