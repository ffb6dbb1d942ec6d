#include "gui/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

QRect ClampRectInto(const QRect& rect, const QRect& area) {
    const int width = std::min(rect.width(), area.width());
    const int height = std::min(rect.height(), area.height());
    const int left = std::clamp(rect.left(), area.left(), area.left() + area.width() - width);
    const int top = std::clamp(rect.top(), area.top(), area.top() + area.height() - height);
    return {left, top, width, height};
}

namespace {

long long Area(const QRect& rect) {
    return rect.isEmpty() ? 0 : static_cast<long long>(rect.width()) * rect.height();
}

}  // namespace

QRect ClampToAvailableScreens(const QRect& window) {
    QScreen* best = QGuiApplication::primaryScreen();
    long long bestShare = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const long long share = Area(screen->availableGeometry().intersected(window));
        if (share > bestShare) best = screen, bestShare = share;
    }
    if (!best) return window;  // no screen at all: nothing to clamp to
    return ClampRectInto(window, best->availableGeometry());
}
