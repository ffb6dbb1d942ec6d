#pragma once
// The window services the toolkit-free dialogs rely on: controls addressed by their numeric ids,
// the progress bar, message boxes, the message pump, the wait cursor, file dialogs, modal
// sub-dialogs, URLs and help. Implemented with Qt (kestrelport-gui), for the terminal
// (kestrelport) and by a recording fake in the tests.

#include <optional>
#include <string>

#include "passes/ProgressChannel.h"

class CErrorLogDlg;

// Control and command ids of the main dialog (template 102) and its menu.
namespace ControlId {
inline constexpr int Go = 1;
inline constexpr int Quit = 2;
inline constexpr int LogFile = 1000;
inline constexpr int ConnString = 1001;
inline constexpr int ConnStringBuilder = 1002;
inline constexpr int Reset = 1003;
inline constexpr int TableBase = 1004;
inline constexpr int IncludeExts = 1005;
inline constexpr int Progress = 1007;
inline constexpr int Status = 1008;
inline constexpr int AutoDns = 1009;
inline constexpr int Lookup = 1010;
inline constexpr int ErrorLogText = 1011;
inline constexpr int AboutVersion = 1012;
inline constexpr int PageHitExts = 1014;
}  // namespace ControlId

namespace CommandId {
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 32778;
inline constexpr int HelpFile = 32785;
inline constexpr int CheckForUpdates = 32784;
inline constexpr int About = 32777;
inline constexpr int SysAbout = 0x10;
}  // namespace CommandId

// The id of the help page's element that a help context number opens at, e.g. "context-131174"
// for the main dialog. The number itself is the anchor's name, so the page and the dialogs need
// no shared table of topic names, and a context added later needs only a new element.
inline std::string HelpTopicAnchor(int contextId) {
    return "context-" + std::to_string(contextId);
}

class WindowServices {
  public:
    using MessageType = ProgressChannel::MessageType;
    using Answer = ProgressChannel::Answer;

    virtual ~WindowServices() = default;

    // Controls by id; changes take effect at once.
    virtual void ShowControl(int id, bool visible) = 0;
    virtual bool IsControlVisible(int id) const = 0;
    virtual void EnableControl(int id, bool enabled) = 0;
    virtual bool IsControlEnabled(int id) const = 0;
    virtual void SetControlText(int id, const std::string& text) = 0;
    virtual std::string GetControlText(int id) const = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool GetCheck(int id) const = 0;

    // The progress bar (control 1007); the step size is 10.
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int pos) = 0;
    virtual int GetProgressPos() const = 0;
    virtual void StepProgress() = 0;

    virtual Answer MessageBox(const std::string& text, MessageType type) = 0;
    virtual void PumpMessages() = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    struct FileDialogRequest {
        bool open = true;              // false: a save dialog that asks before overwriting
        std::string defaultExtension;  // "txt"
        std::string initialFile;
        std::string initialFolder;
        std::string filter;  // "Project files (*.txt)|*.txt||"
    };
    // The chosen full file name, or nothing when the user cancelled.
    virtual std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) = 0;

    // Modal sub-dialogs; each returns when the user has closed it.
    virtual void RunErrorLogDialog(CErrorLogDlg& dialog) = 0;
    virtual void RunAboutDialog(const std::string& versionLine) = 0;
    // The connection string composed by the user, or nothing when cancelled.
    virtual std::optional<std::string> RunConnectionDialog(const std::string& current) = 0;

    // Hands a URL or a help file to the desktop; false when that failed. `contextId` names the
    // help topic: an HTML help page is opened at the element HelpTopicAnchor(contextId), that is
    // "<path>#context-<contextId>".
    virtual bool OpenUrl(const std::string& url) = 0;
    virtual bool OpenHelpFile(const std::string& path, int contextId) = 0;

    // Ends the main dialog (Quit).
    virtual void EndDialog(int result) = 0;
};
