#pragma once
// A push button drawn by the program: flat while idle, raised while the mouse is over it ("hot"),
// sunken while pressed, with its caption centred and wrapped and no focus rectangle. A disabled
// caption is embossed so that it reads as unavailable on the flat face.

#include <QColor>

#include "gui/WrappingButton.h"

class CButtonST : public WrappingButton {
    Q_OBJECT
  public:
    // Face and caption colours for the hot or pressed, the idle and the focused state. All follow
    // the desktop's button colours and are read again when those change.
    struct Colours {
        QColor hotFace, hotText;
        QColor idleFace, idleText;
        QColor focusFace, focusText;
    };

    explicit CButtonST(const QString& text, QWidget* parent = nullptr);

    bool IsHot() const { return hot_; }

  protected:
    // A derived button may draw the face and frame with the desktop's theme instead.
    virtual bool UsesTheme() const { return false; }
    virtual void DrawThemedFace(QPainter& painter);

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void TrackHover(const QPoint& position, Qt::MouseButtons held);
    void SetHot(bool hot);
    void ReadDesktopColours();
    void DrawFrame(QPainter& painter, bool pressed) const;
    void DrawCaption(QPainter& painter, bool pressed) const;

    bool hot_ = false;
    Colours colours_;
};
