#include "gui/CThemeHelperST.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

bool CThemeHelperST::IsThemedStyleName(const QString& styleName) {
    return styleName.compare("fusion", Qt::CaseInsensitive) != 0 &&
           styleName.compare("windows", Qt::CaseInsensitive) != 0;
}

bool CThemeHelperST::IsAppThemed() const {
    switch (mode_) {
        case Mode::NoTheme:
            return false;
        case Mode::Theme:
            return true;
        case Mode::FollowDesktop:
            break;
    }
    return IsThemedStyleName(QApplication::style()->name());
}

void CThemeHelperST::DrawThemeBackground(QPainter& painter, const QStyleOptionButton& option,
                                         const QWidget* button) const {
    if (!IsAppThemed()) return;
    button->style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, button);
}
