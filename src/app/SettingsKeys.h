#pragma once
// The persisted settings of the program: their section, keys and defaults, in one place so that
// the dialog, the export run, the project file dialog and the error log dialog agree on them.

namespace SettingsKey {
inline constexpr const char* Section = "Settings";

inline constexpr const char* Source = "Source";
inline constexpr const char* ConnString = "ConnString";
inline constexpr const char* TableBasis = "TableBasis";
inline constexpr const char* Reset = "Reset";
inline constexpr const char* IncludeExts = "IncludeExts";
inline constexpr const char* PageHitExts = "PageHitExts";
inline constexpr const char* AutoDNS = "AutoDNS";
inline constexpr const char* LastProjectFolder = "Last project folder";
// The error log dialog's placement keys are this prefix followed by "top", "bottom", "left",
// "right" and "Maximised".
inline constexpr const char* ErrorDialogPlacementPrefix = "ErrDlgSize";
}  // namespace SettingsKey

namespace SettingsDefault {
inline constexpr const char* TableBasis = "WebLog";
inline constexpr int Reset = 1;
inline constexpr const char* IncludeExts = "htm;html;php;asp;jsp;css;js;txt;;";
inline constexpr const char* PageHitExts = "htm;html;php;asp;jsp";
inline constexpr int AutoDNS = 0;
inline constexpr int PlacementEdge = -1;
// "Show the window in its current state", not a maximised flag.
inline constexpr int PlacementShowState = 5;
}  // namespace SettingsDefault
