#pragma once
// Dialog templates place controls in dialog units, which scale with the dialog's font: a
// horizontal unit is a quarter of the font's average character width, a vertical unit an eighth
// of its height. Converting through the font keeps every text fitting its control whatever
// font the desktop chooses.

#include <QFont>
#include <QRect>

struct DluRect {
    int left;
    int top;
    int width;
    int height;
};

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(double averageCharWidth, int charHeight)
        : baseX_(averageCharWidth), baseY_(charHeight) {}

    int ToPixelsX(int dluX) const;
    int ToPixelsY(int dluY) const;
    QRect ToPixels(const DluRect& rect) const;
    QSize ToPixels(int dluWidth, int dluHeight) const;

    int CharHeight() const { return baseY_; }

  private:
    double baseX_;
    int baseY_;
};
