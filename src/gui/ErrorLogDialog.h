#pragma once
// The error log as a Qt dialog: a large text field and OK, laid out from its template, resized
// by the toolkit-free resizer and placed where the user left it the last time it closed with OK,
// as far as that still lies on a screen.

#include <QDialog>
#include <QRect>
#include <map>
#include <optional>

#include "app/CErrorLogDlg.h"
#include "gui/DialogUnits.h"

class ErrorLogDialog : public QDialog, public ErrorLogWindow {
    Q_OBJECT
  public:
    static constexpr int kWidthDlu = 316;
    static constexpr int kHeightDlu = 183;
    static constexpr DluRect kTextPosition = {7, 7, 302, 146};
    static constexpr DluRect kOkPosition = {133, 162, 50, 14};

    ErrorLogDialog(CErrorLogDlg& logic, QWidget* parent);

    QWidget* Control(int id) const;

    bool HasControl(int control) const override;
    ControlRect GetControlRect(int control) const override;
    void MoveControls(const std::vector<ControlMove>& moves) override;
    int ClientWidth() const override { return width(); }
    int ClientHeight() const override { return height(); }
    int WindowWidth() const override { return frameGeometry().width(); }
    int WindowHeight() const override { return frameGeometry().height(); }
    WindowPlacement GetPlacement() const override;
    void SetPlacement(const WindowPlacement& placement) override;
    void SetControlText(int control, const std::string& text) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls(const DialogUnits& units);
    void ApplyTrackingSizes();
    void OnOk();
    QMargins FrameMargins() const;
    void ApplyRestoredWindow();

    CErrorLogDlg& logic_;
    std::map<int, QWidget*> controls_;
    // A restored window rectangle, frame included, until the first show knows the frame.
    std::optional<QRect> restoredWindow_;
};
