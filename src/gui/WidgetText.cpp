#include "gui/WidgetText.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "gui/ByteText.h"

namespace {

QString FromProgramText(const std::string& text) {
    return FromProgramBytes(text).replace("\r\n", "\n");
}

}  // namespace

std::string WidgetText(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return ToProgramBytes(line->text());
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget))
        return ToProgramBytes(text->toPlainText().replace("\n", "\r\n"));
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return ToProgramBytes(button->text());
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return ToProgramBytes(label->text());
    if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        return ToProgramBytes(group->title());
    return {};
}

void SetWidgetText(QWidget* widget, const std::string& text) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(FromProgramBytes(text));
    } else if (auto* multiLine = qobject_cast<QPlainTextEdit*>(widget)) {
        multiLine->setPlainText(FromProgramText(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(FromProgramBytes(text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(FromProgramText(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(FromProgramBytes(text));
    }
}
