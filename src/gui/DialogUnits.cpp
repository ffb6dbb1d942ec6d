#include "gui/DialogUnits.h"

#include <QFontMetrics>

namespace {

// The average width is measured over the 52 Latin letters and rounded, as dialog templates
// have always done; a single character's width would make wide fonts overflow their controls.
int AverageLetterWidth(const QFontMetrics& metrics) {
    const int total =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (total / 26 + 1) / 2;
}

// value * numerator / denominator, rounded half away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    baseX_ = AverageLetterWidth(metrics);
    baseY_ = metrics.height();
}

int DialogUnits::ToPixelsX(int dluX) const {
    return ScaleRounded(dluX, baseX_, 4);
}

int DialogUnits::ToPixelsY(int dluY) const {
    return ScaleRounded(dluY, baseY_, 8);
}

// Edges are converted one by one, so that controls touching in dialog units touch in pixels too
// instead of overlapping or leaving a gap from separate rounding of position and size.
QRect DialogUnits::ToPixels(const DluRect& rect) const {
    const int left = ToPixelsX(rect.left);
    const int top = ToPixelsY(rect.top);
    const int right = ToPixelsX(rect.left + rect.width);
    const int bottom = ToPixelsY(rect.top + rect.height);
    return QRect(left, top, right - left, bottom - top);
}

QSize DialogUnits::ToPixels(int dluWidth, int dluHeight) const {
    return QSize(ToPixelsX(dluWidth), ToPixelsY(dluHeight));
}
