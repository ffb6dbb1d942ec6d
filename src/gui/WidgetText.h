#pragma once
// Reads and sets the text of any control the dialogs use, whatever its widget class. Texts cross
// as the program's bytes and come back byte for byte (gui/ByteText.h); multi-line fields hand
// out their line breaks as "\r\n", the form the program's texts use everywhere, and accept
// either form.

#include <string>

class QWidget;

std::string WidgetText(const QWidget* widget);
void SetWidgetText(QWidget* widget, const std::string& text);
