#include "gui/ErrorLogDialog.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include "gui/ScreenPlacement.h"
#include "gui/WidgetText.h"

ErrorLogDialog::ErrorLogDialog(CErrorLogDlg& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setWindowTitle("Error Log");
    const DialogUnits units(QApplication::font());
    resize(units.ToPixels(kWidthDlu, kHeightDlu));
    BuildControls(units);
    logic_.OnInitDialog(*this);
    setSizeGripEnabled(logic_.Resizer().IsGripEnabled());
    ApplyTrackingSizes();
}

void ErrorLogDialog::BuildControls(const DialogUnits& units) {
    auto* text = new QPlainTextEdit(this);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setGeometry(units.ToPixels(kTextPosition));

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    ok->setGeometry(units.ToPixels(kOkPosition));
    connect(ok, &QPushButton::clicked, this, &ErrorLogDialog::OnOk);

    controls_[CErrorLogDlg::TextControl] = text;
    controls_[CErrorLogDlg::OkButton] = ok;
    for (const auto& [id, widget] : controls_)
        widget->setObjectName(QStringLiteral("control%1").arg(id));
}

// Qt limits the client area, the resizer counts the whole window: the frame is taken off.
void ErrorLogDialog::ApplyTrackingSizes() {
    const QSize frame = frameGeometry().size() - size();
    const TrackingSize minimum = logic_.Resizer().MinimumTrackingSize({-1, -1});
    if (minimum.width >= 0 && minimum.height >= 0)
        setMinimumSize(minimum.width - frame.width(), minimum.height - frame.height());
    const TrackingSize maximum = logic_.Resizer().MaximumTrackingSize({-1, -1});
    if (maximum.width >= 0 && maximum.height >= 0)
        setMaximumSize(maximum.width - frame.width(), maximum.height - frame.height());
}

QWidget* ErrorLogDialog::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

bool ErrorLogDialog::HasControl(int control) const {
    return Control(control) != nullptr;
}

ControlRect ErrorLogDialog::GetControlRect(int control) const {
    const QRect rect = Control(control)->geometry();
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

void ErrorLogDialog::MoveControls(const std::vector<ControlMove>& moves) {
    for (const ControlMove& move : moves) {
        if (QWidget* widget = Control(move.control))
            widget->setGeometry(move.rect.x, move.rect.y, move.rect.width, move.rect.height);
    }
}

// The frame around the client area; nothing before the window is first shown.
QMargins ErrorLogDialog::FrameMargins() const {
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

// The placement is the window rectangle, frame included, as the resizer's sizes are.
WindowPlacement ErrorLogDialog::GetPlacement() const {
    WindowPlacement placement;
    const QRect client = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    const QRect normal = client.marginsAdded(FrameMargins());
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    placement.showState = isMaximized()   ? WindowPlacement::ShowMaximised
                          : isMinimized() ? WindowPlacement::ShowMinimised
                                          : WindowPlacement::ShowNormal;
    return placement;
}

void ErrorLogDialog::SetPlacement(const WindowPlacement& placement) {
    restoredWindow_ = ClampToAvailableScreens(QRect(placement.left, placement.top,
                                                    placement.right - placement.left,
                                                    placement.bottom - placement.top));
    ApplyRestoredWindow();
    // A modal dialog opened minimised would hide the only window the user can act on, so a
    // stored minimised state opens it normally.
    if (placement.showState == WindowPlacement::ShowMaximised)
        setWindowState(Qt::WindowMaximized);
    else if (placement.showState != WindowPlacement::ShowCurrent)
        setWindowState(Qt::WindowNoState);
}

// The frame is known only once the window is shown, so a placement restored before that is
// applied again then; otherwise the window would grow by the frame at every restore.
void ErrorLogDialog::ApplyRestoredWindow() {
    // A maximised window keeps the normal rectangle it was given before, for when it is restored.
    if (restoredWindow_ && !isMaximized())
        setGeometry(restoredWindow_->marginsRemoved(FrameMargins()));
}

void ErrorLogDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        ApplyRestoredWindow();
        restoredWindow_.reset();
    }
}

void ErrorLogDialog::SetControlText(int control, const std::string& text) {
    if (QWidget* widget = Control(control)) SetWidgetText(widget, text);
}

void ErrorLogDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    logic_.OnSize(width(), height());
}

void ErrorLogDialog::OnOk() {
    logic_.OnOK(*this);
    accept();
}
