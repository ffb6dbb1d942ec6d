#include "gui/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(38, 94, 168));
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    // Rows of a log table: three light bars.
    painter.setBrush(QColor(212, 230, 253));
    const qreal margin = size / 5.0;
    const qreal barHeight = size / 8.0;
    for (int row = 0; row < 3; ++row) {
        const qreal top = margin + row * barHeight * 2;
        painter.drawRect(QRectF(margin, top, size - 2 * margin, barHeight));
    }
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(DrawIcon(size));
    return icon;
}
