#include "gui/TooltipPresenter.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

QStringList WrapToWidth(const QString& text, const QFontMetrics& metrics, int maxWidth) {
    QStringList lines;
    QString line;
    // Splitting at single spaces keeps a doubled space as an empty word, which joins back into
    // the line as the second space.
    for (const QString& word : text.split(' ')) {
        if (line.isEmpty() && word.isEmpty() && !lines.isEmpty()) continue;  // a break ate it
        const QString candidate = line.isEmpty() ? word : line + ' ' + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > maxWidth) {
            lines.append(line.trimmed());
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty() || lines.isEmpty()) lines.append(line);
    return lines;
}

TooltipPresenter::TooltipPresenter(int maxWidthPx, int hideDelayMs, QObject* parent)
    : QObject(parent), maxWidthPx_(maxWidthPx), hideDelayMs_(hideDelayMs) {}

void TooltipPresenter::Watch(QWidget* widget) {
    widget->installEventFilter(this);
}

QString TooltipPresenter::ShownText(const QString& tooltip) const {
    return WrapToWidth(tooltip, QFontMetrics(QToolTip::font()), maxWidthPx_).join('\n');
}

bool TooltipPresenter::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::ToolTip || !widget || widget->toolTip().isEmpty())
        return QObject::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), ShownText(widget->toolTip()), widget, QRect(),
                       hideDelayMs_);
    return true;
}
