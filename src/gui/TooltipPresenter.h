#pragma once
// Shows the tooltips of the widgets it watches wrapped to a maximum width and hidden after a
// fixed delay. The widgets keep their exact tooltip text; only the shown copy is wrapped.

#include <QFontMetrics>
#include <QObject>
#include <QStringList>

class QWidget;

// Breaks `text` at spaces into lines no wider than `maxWidth` pixels; a single word wider than
// that gets a line of its own. Spaces inside a line, doubled ones included, are kept.
QStringList WrapToWidth(const QString& text, const QFontMetrics& metrics, int maxWidth);

class TooltipPresenter : public QObject {
    Q_OBJECT
  public:
    TooltipPresenter(int maxWidthPx, int hideDelayMs, QObject* parent);

    void Watch(QWidget* widget);
    QString ShownText(const QString& tooltip) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int maxWidthPx_;
    int hideDelayMs_;
};
