#pragma once
// The About box: the program's icon, its version line (control 1012), a notice and OK.

#include <QDialog>

#include "gui/DialogUnits.h"

class AboutWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kWidthDlu = 190;
    static constexpr int kHeightDlu = 62;
    static constexpr DluRect kIconPosition = {14, 14, 21, 20};
    static constexpr DluRect kVersionPosition = {42, 14, 140, 8};
    static constexpr DluRect kNoticePosition = {42, 26, 140, 8};
    static constexpr DluRect kOkPosition = {133, 41, 50, 14};
    static constexpr const char* kNotice = "Web server logs into database tables.";

    AboutWindow(const QString& versionLine, QWidget* parent);
};
