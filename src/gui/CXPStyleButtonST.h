#pragma once
// A program-drawn button that takes the desktop theme's push-button face when a theme is active
// and draws itself flat otherwise.

#include <memory>

#include "gui/CButtonST.h"
#include "gui/CThemeHelperST.h"

class CXPStyleButtonST : public CButtonST {
    Q_OBJECT
  public:
    using CButtonST::CButtonST;

    // Shared by the buttons of one dialog; without one the button always draws flat.
    void SetThemeHelper(std::shared_ptr<const CThemeHelperST> helper);
    const CThemeHelperST* ThemeHelper() const { return themeHelper_.get(); }

  protected:
    bool UsesTheme() const override;
    void DrawThemedFace(QPainter& painter) override;

  private:
    std::shared_ptr<const CThemeHelperST> themeHelper_;
};
