#include "gui/BrowseEdit.h"

#include <QAction>
#include <QKeyEvent>
#include <QPainter>

#include "gui/FocusCue.h"

BrowseButton::BrowseButton(QWidget* parent) : QToolButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoRaise(true);
    setCursor(Qt::ArrowCursor);  // not the field's text cursor
}

// Space is a button's own key; Enter would otherwise reach the dialog and start a run.
void BrowseButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QToolButton::keyPressEvent(event);
}

void BrowseButton::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    DrawFocusCue(painter, *this);
}

BrowseEdit::BrowseEdit(const QIcon& icon, QWidget* parent)
    : QLineEdit(parent),
      action_(new QAction(icon, tr("Browse"), this)),
      button_(new BrowseButton(this)) {
    action_->setObjectName("browse");
    button_->setObjectName("browseButton");
    button_->setDefaultAction(action_);
    button_->setToolTip(QString());  // the field's own tooltip says what it is for
    button_->setAccessibleName(action_->text());  // what a screen reader says on the focus
}

void BrowseEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int side = height();
    button_->setGeometry(width() - side, 0, side, side);
    button_->setIconSize(QSize(side - 6, side - 6));
    setTextMargins(0, 0, side, 0);  // the text never runs under the button
}
