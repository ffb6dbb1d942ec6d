#pragma once
// Keeps a window that is put back where the user left it on a screen that is still there. A
// placement stored on another monitor arrangement (a laptop undocked, a screen turned off) would
// otherwise open a modal dialog where nobody sees it, and block the window behind it.

#include <QRect>

// `rect` moved, and shrunk where it is larger, so that it lies inside `area`.
QRect ClampRectInto(const QRect& rect, const QRect& area);

// `window` (frame included) clamped to the available area of the screen it mostly lies on, or of
// the primary screen when it lies on none.
QRect ClampToAvailableScreens(const QRect& window);
