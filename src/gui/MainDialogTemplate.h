#pragma once
// The main dialog's layout as data: every control with its id, kind, text and position in dialog
// units, the tooltips and the menu. The window is built from these tables so that the layout
// lives in one place.

#include <span>

#include "gui/DialogUnits.h"

enum class ControlKind {
    GroupBox,
    Label,
    BrowseEdit,     // a single-line edit with a button that picks an existing file
    Edit,           // single line, scrolls horizontally
    MultiLineEdit,  // scrolls vertically
    CheckBox,
    StatusText,
    ProgressBar,
    PushButton,
};

// Controls without a command of their own (labels, group boxes).
inline constexpr int kNoControlId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    DluRect position;
};

struct TooltipTemplate {
    int id;
    const char* text;
};

// A separator has no item text.
struct MenuItemTemplate {
    const char* menu;
    const char* item;
    int command;
};

namespace MainDialogTemplate {
inline constexpr const char* kTitle = "Kestrelport Exporter";
inline constexpr int kWidthDlu = 382;
inline constexpr int kHeightDlu = 231;
inline constexpr int kTooltipMaxWidthPx = 300;
inline constexpr int kTooltipHideDelayMs = 5000;

std::span<const ControlTemplate> Controls();
std::span<const TooltipTemplate> Tooltips();
std::span<const MenuItemTemplate> Menu();
}  // namespace MainDialogTemplate
