#include "app/WindowPlacement.h"

#include <string>

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

namespace {
std::string Key(std::string_view prefix, const char* suffix) {
    return std::string(prefix) + suffix;
}
}  // namespace

void SavePlacement(SettingsStore& settings, std::string_view prefix,
                   const WindowPlacement& placement) {
    const char* section = SettingsKey::Section;
    settings.WriteInt(section, Key(prefix, "top"), placement.top);
    settings.WriteInt(section, Key(prefix, "bottom"), placement.bottom);
    settings.WriteInt(section, Key(prefix, "left"), placement.left);
    settings.WriteInt(section, Key(prefix, "right"), placement.right);
    settings.WriteInt(section, Key(prefix, "Maximised"), placement.showState);
}

bool RestorePlacement(const SettingsStore& settings, std::string_view prefix,
                      WindowPlacement& placement) {
    const char* section = SettingsKey::Section;
    const int missing = SettingsDefault::PlacementEdge;
    WindowPlacement stored;
    stored.top = settings.ReadInt(section, Key(prefix, "top"), missing);
    stored.bottom = settings.ReadInt(section, Key(prefix, "bottom"), missing);
    stored.left = settings.ReadInt(section, Key(prefix, "left"), missing);
    stored.right = settings.ReadInt(section, Key(prefix, "right"), missing);
    stored.showState =
        settings.ReadInt(section, Key(prefix, "Maximised"), SettingsDefault::PlacementShowState);
    for (int edge : {stored.top, stored.bottom, stored.left, stored.right}) {
        if (edge == missing) return false;
    }
    // A damaged store must not open the dialog as a window of no size that the user cannot find.
    if (stored.right <= stored.left || stored.bottom <= stored.top) return false;
    placement = stored;
    return true;
}
