#pragma once
// A dialog's window placement as kept in the settings: the edges of its normal (neither
// minimised nor maximised) rectangle in screen coordinates and its show state.

#include <string_view>

class SettingsStore;

struct WindowPlacement {
    // Show states as the settings store them.
    static constexpr int ShowNormal = 1;
    static constexpr int ShowMinimised = 2;
    static constexpr int ShowMaximised = 3;
    static constexpr int ShowCurrent = 5;  // leave the window in the state it has

    int showState = ShowCurrent;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const WindowPlacement&) const = default;
};

// Writes "<prefix>top", "<prefix>bottom", "<prefix>left", "<prefix>right" and
// "<prefix>Maximised" (the show state), in that order.
void SavePlacement(SettingsStore& settings, std::string_view prefix,
                   const WindowPlacement& placement);

// Reads the stored placement over `placement` (a missing show state gives ShowCurrent). False,
// with `placement` unchanged, when an edge is missing (-1) or the stored rectangle is empty or
// inverted: the window then keeps its designed size and position.
bool RestorePlacement(const SettingsStore& settings, std::string_view prefix,
                      WindowPlacement& placement);
