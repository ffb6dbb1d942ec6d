#include "gui/WrappingButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

WrappingButton::WrappingButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QRect WrappingButton::TextArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

void WrappingButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The style draws the frame, focus and state; the text is drawn here because the style
    // would keep it on one line and clip it.
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    QRect area = TextArea();
    if (isDown()) area.translate(1, 1);  // the pressed look of a caption pushed into the face
    painter.drawItemText(area, kTextFlags, palette(), isEnabled(), text(), QPalette::ButtonText);
}
