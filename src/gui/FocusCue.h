#pragma once
// The frame that shows which of the program-drawn buttons has the keyboard focus. Their flat
// faces look the same focused or not, so without it a keyboard user cannot tell where Space
// would act.

class QPainter;
class QWidget;

void DrawFocusCue(QPainter& painter, const QWidget& button);
