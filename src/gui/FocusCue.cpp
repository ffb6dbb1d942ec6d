#include "gui/FocusCue.h"

#include <QPainter>
#include <QWidget>

// Two pixels in the desktop's highlight colour, inset so that the hot and pressed frames at the
// edge stay visible beside it.
void DrawFocusCue(QPainter& painter, const QWidget& button) {
    QPen pen(button.palette().color(QPalette::Highlight));
    pen.setWidth(2);
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(button.rect()).adjusted(3, 3, -3, -3));
    painter.restore();
}
