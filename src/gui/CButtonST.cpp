#include "gui/CButtonST.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

CButtonST::CButtonST(const QString& text, QWidget* parent) : WrappingButton(text, parent) {
    // Moves must arrive without a mouse button held, or the hot state would never end inside
    // the window.
    setMouseTracking(true);
    ReadDesktopColours();
}

void CButtonST::ReadDesktopColours() {
    const QColor face = palette().color(QPalette::Button);
    const QColor text = palette().color(QPalette::ButtonText);
    colours_ = {face, text, face, text, face, text};
}

void CButtonST::SetHot(bool hot) {
    if (hot_ == hot) return;
    hot_ = hot;
    update();
}

// Dragging onto the button with the mouse held down must not light it up: the press that
// started the drag belongs to another control.
void CButtonST::TrackHover(const QPoint& position, Qt::MouseButtons held) {
    if ((held & Qt::LeftButton) && !hot_) return;
    SetHot(rect().contains(position) && QApplication::activeWindow() != nullptr);
}

void CButtonST::enterEvent(QEnterEvent* event) {
    WrappingButton::enterEvent(event);
    TrackHover(event->position().toPoint(), QApplication::mouseButtons());
}

void CButtonST::mouseMoveEvent(QMouseEvent* event) {
    WrappingButton::mouseMoveEvent(event);
    TrackHover(event->position().toPoint(), event->buttons());
}

void CButtonST::leaveEvent(QEvent* event) {
    WrappingButton::leaveEvent(event);
    SetHot(false);
}

void CButtonST::focusOutEvent(QFocusEvent* event) {
    WrappingButton::focusOutEvent(event);
    SetHot(false);
}

void CButtonST::changeEvent(QEvent* event) {
    WrappingButton::changeEvent(event);
    switch (event->type()) {
        case QEvent::EnabledChange:
            if (!isEnabled()) SetHot(false);
            break;
        case QEvent::ActivationChange:
            if (!isActiveWindow()) SetHot(false);
            break;
        case QEvent::PaletteChange:
            ReadDesktopColours();
            update();
            break;
        default:
            break;
    }
}

void CButtonST::DrawThemedFace(QPainter&) {}

void CButtonST::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool pressed = isDown() || isChecked();
    if (UsesTheme()) {
        DrawThemedFace(painter);
    } else {
        const bool lit = hot_ || pressed;
        painter.fillRect(rect(), lit          ? colours_.hotFace
                                 : hasFocus() ? colours_.focusFace
                                              : colours_.idleFace);
        DrawFrame(painter, pressed);
    }
    DrawCaption(painter, pressed);
}

// Light from the top left: a pressed button is shaded there, a raised one lit.
void CButtonST::DrawFrame(QPainter& painter, bool pressed) const {
    if (!pressed && !hot_) return;
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor highlight = palette().color(QPalette::Light);
    const QRect r = rect();
    painter.setPen(pressed ? shadow : highlight);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(pressed ? highlight : shadow);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

void CButtonST::DrawCaption(QPainter& painter, bool pressed) const {
    QRect area = TextArea();
    if (pressed) area.translate(1, 1);
    if (!isEnabled()) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(area.translated(1, 1), kTextFlags, text());
        painter.setPen(palette().color(QPalette::Dark));
    } else {
        const bool lit = hot_ || pressed;
        painter.setPen(lit          ? colours_.hotText
                       : hasFocus() ? colours_.focusText
                                    : colours_.idleText);
    }
    painter.drawText(area, kTextFlags, text());
}
