#include "gui/DialogUnits.h"

#include <QFontMetrics>
#include <cmath>

namespace {

// The average is taken over the 52 Latin letters and kept with its fraction: rounding it down
// to whole pixels, as is traditional, makes the layout a few per cent narrower than its texts
// in the wider fonts of this desktop and clips the labels.
double AverageLetterWidth(const QFontMetrics& metrics) {
    const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return metrics.horizontalAdvance(letters) / static_cast<double>(letters.size());
}

int ScaleRounded(int value, double base, int unitsPerBase) {
    return static_cast<int>(std::lround(value * base / unitsPerBase));
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
