#include "gui/WidgetText.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QString FromProgramText(const std::string& text) {
    return QString::fromStdString(text).replace("\r\n", "\n");
}

}  // namespace

std::string WidgetText(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return line->text().toStdString();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget))
        return text->toPlainText().replace("\n", "\r\n").toStdString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text().toStdString();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text().toStdString();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title().toStdString();
    return {};
}

void SetWidgetText(QWidget* widget, const std::string& text) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(QString::fromStdString(text));
    } else if (auto* multiLine = qobject_cast<QPlainTextEdit*>(widget)) {
        multiLine->setPlainText(FromProgramText(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(QString::fromStdString(text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(FromProgramText(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(QString::fromStdString(text));
    }
}
