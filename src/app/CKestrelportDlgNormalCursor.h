#pragma once
// The dialog's guard that shows the normal cursor while a modal window (a message box, the error
// log, a file dialog, About, the connection dialog) waits for the user in the middle of long
// work. Only the dialog's own handlers use it.

#include "app/CKestrelportDlg.h"

class CKestrelportDlg::NormalCursor {
  public:
    explicit NormalCursor(CKestrelportDlg& dialog);
    ~NormalCursor();
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

  private:
    WindowServices& window_;
    // The wait cursors begun when the modal window came up; all of them are ended and begun again.
    const int depth_;
};

template <class Show>
auto CKestrelportDlg::WithNormalCursor(Show show) {
    const NormalCursor normal(*this);
    return show();
}
