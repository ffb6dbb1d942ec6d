#pragma once
// The error log dialog without its toolkit: the text listing the malformed lines of an export,
// the proportional layout of its two controls and its remembered placement. The toolkit's dialog
// (shown by WindowServices::RunErrorLogDialog) calls OnInitDialog once its window exists,
// OnSize on every resize and OnOK when closed with OK; Escape and the close box call nothing, so
// the stored placement stays as it was.

#include <functional>
#include <string>
#include <string_view>

#include "app/CResizeCtrl.h"
#include "app/WindowPlacement.h"
#include "textfiles/SpillingLineList.h"

class SettingsStore;

// The error log window as the toolkit presents it.
class ErrorLogWindow : public ResizeTarget {
  public:
    virtual int WindowWidth() const = 0;  // the whole window, frame included
    virtual int WindowHeight() const = 0;
    virtual WindowPlacement GetPlacement() const = 0;
    virtual void SetPlacement(const WindowPlacement& placement) = 0;
    virtual void SetControlText(int control, const std::string& text) = 0;
};

class CErrorLogDlg {
  public:
    static constexpr int TextControl = 1011;
    static constexpr int OkButton = 1;

    explicit CErrorLogDlg(SettingsStore& settings);

    // The writer's list of malformed lines; only read, and it must outlive the dialog's run.
    void SetBadLineList(const SpillingLineList& badLines) { badLines_ = &badLines; }
    const SpillingLineList& BadLineList() const;

    // Sets up the layout (the text stretches, OK stays centred at the bottom), forbids making
    // the window smaller than it opened, restores the stored placement and fills the text.
    bool OnInitDialog(ErrorLogWindow& window);
    void OnSize(int clientWidth, int clientHeight) { resizer_.OnSize(clientWidth, clientHeight); }
    // Stores the window's placement for the next time.
    void OnOK(const ErrorLogWindow& window);

    const std::string& Text() const { return text_; }
    CResizeCtrl& Resizer() { return resizer_; }

    // The headline with the count, a blank line, then every entry on its own line.
    static std::string BuildText(const SpillingLineList& badLines);
    // The same text in pieces (the headline, then each entry with its line break), for a
    // list too long to be held as one text.
    static void WriteText(const SpillingLineList& badLines,
                          const std::function<void(std::string_view)>& write);

  private:
    SettingsStore& settings_;
    std::string text_;
    CResizeCtrl resizer_;
    const SpillingLineList* badLines_ = nullptr;
};
