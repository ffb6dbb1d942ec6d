#include "gui/DialogTextEdit.h"

#include <QKeyEvent>

DialogTextEdit::DialogTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

// Left unhandled, the key travels up to the dialog, which presses its default button (and does
// nothing while that button is disabled, as during a run).
void DialogTextEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
