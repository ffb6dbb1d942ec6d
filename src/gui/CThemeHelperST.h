#pragma once
// Whether the desktop supplies its own look for push buttons, and drawing that look.
//
// Linux desktops have no theme switch that programs can ask. What tells a themed desktop apart is
// the widget style it gives the program: a desktop with a theme hands over its own style (Breeze,
// a GTK bridge, the Windows visual styles), while a bare session falls back to Qt's built-in
// "Fusion" or "Windows" styles. So a theme counts as active unless the style is one of those two;
// QT_STYLE_OVERRIDE=fusion therefore gives the flat buttons on any desktop.

#include <QString>

class QPainter;
class QStyleOptionButton;
class QWidget;

class CThemeHelperST {
  public:
    enum class Mode { FollowDesktop, NoTheme, Theme };

    explicit CThemeHelperST(Mode mode = Mode::FollowDesktop) : mode_(mode) {}

    // Asked at every use, as the style may change while the program runs.
    bool IsAppThemed() const;
    static bool IsThemedStyleName(const QString& styleName);

    // The style's push-button face in the state the option carries; nothing without a theme.
    // The parent's background needs no drawing of its own: Qt paints it behind a widget that
    // does not fill itself.
    void DrawThemeBackground(QPainter& painter, const QStyleOptionButton& option,
                             const QWidget* button) const;

  private:
    Mode mode_;
};
