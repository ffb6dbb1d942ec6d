#include "gui/CXPStyleButtonST.h"

#include <QStyleOptionButton>

void CXPStyleButtonST::SetThemeHelper(std::shared_ptr<const CThemeHelperST> helper) {
    themeHelper_ = std::move(helper);
    update();
}

bool CXPStyleButtonST::UsesTheme() const {
    return themeHelper_ && themeHelper_->IsAppThemed();
}

void CXPStyleButtonST::DrawThemedFace(QPainter& painter) {
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();  // the caption is drawn wrapped, by the base
    option.icon = QIcon();
    option.state &= ~QStyle::State_HasFocus;  // no focus rectangle
    if (IsHot()) option.state |= QStyle::State_MouseOver;
    themeHelper_->DrawThemeBackground(painter, option, this);
}
