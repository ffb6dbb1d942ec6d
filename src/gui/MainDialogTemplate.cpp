#include "gui/MainDialogTemplate.h"

#include "app/WindowServices.h"

namespace {

using K = ControlKind;

// In tab order, which is also the order a keyboard user expects.
constexpr ControlTemplate kControls[] = {
    {kNoControlId, K::GroupBox, "Source:", {7, 7, 368, 35}},
    {kNoControlId, K::Label, "Log file:", {15, 23, 26, 8}},
    {ControlId::LogFile, K::BrowseEdit, "", {46, 20, 329, 14}},
    {kNoControlId, K::GroupBox, "Target:", {7, 43, 368, 76}},
    {ControlId::ConnStringBuilder, K::PushButton, "Database Connection String", {10, 58, 50, 29}},
    {ControlId::ConnString, K::MultiLineEdit, "", {61, 58, 314, 29}},
    {kNoControlId, K::Label, "Table base name:", {16, 97, 58, 8}},
    {ControlId::TableBase, K::Edit, "", {81, 95, 55, 14}},
    {ControlId::Reset, K::CheckBox, "Reset (clear) table contents first", {162, 97, 120, 10}},
    {kNoControlId, K::GroupBox, "Options:", {7, 121, 368, 65}},
    {kNoControlId, K::Label, "Include extensions:", {14, 134, 64, 8}},
    {ControlId::IncludeExts, K::Edit, "", {84, 131, 291, 14}},
    {kNoControlId, K::Label, "Page hit extensions:", {15, 149, 66, 8}},
    {ControlId::PageHitExts, K::Edit, "", {84, 147, 291, 14}},
    {ControlId::AutoDns,
     K::CheckBox,
     "Automatically process reverse DNS (IP to hostnames)",
     {97, 170, 187, 10}},
    {ControlId::Status, K::StatusText, "", {7, 191, 368, 8}},
    {ControlId::Progress, K::ProgressBar, "", {7, 200, 368, 7}},
    {ControlId::Go, K::PushButton, "Go!", {65, 210, 83, 14}},
    {ControlId::Lookup, K::PushButton, "IP -> Hostnames", {149, 210, 83, 14}},
    {ControlId::Quit, K::PushButton, "Quit", {233, 210, 83, 14}},
};

constexpr TooltipTemplate kTooltips[] = {
    {ControlId::LogFile, "The filename of the log file to read"},
    {ControlId::ConnStringBuilder,
     "Click this button to create the database connection string in the connection dialog"},
    {ControlId::ConnString, "The database connection string to the target database"},
    {ControlId::TableBase,
     "The name of the table in the target database to write to.  (If it does not already exist "
     "it will be created.)"},
    {ControlId::Reset,
     "Check this box to clear all existing records from the target table before loading the web "
     "log data into it"},
    {ControlId::IncludeExts,
     "File extensions to write to the target table.  All other log file lines will be ignored."},
    {ControlId::AutoDns,
     "Automatically run Hostname lookups for all data in target table without an existing "
     "hostname field value.  (Caution - this is a slow process!)"},
    {ControlId::Go, "Start the process!"},
    {ControlId::Lookup,
     "Run the Hostname lookups against all entries in the target table without an existing "
     "hostname field value.  (Caution - this is a slow process!)"},
    {ControlId::Quit, "Close this wonderful application"},
};

constexpr MenuItemTemplate kMenu[] = {
    {"&File", "&New", CommandId::FileNew},
    {"&File", "&Open", CommandId::FileOpen},
    {"&File", "&Save", CommandId::FileSave},
    {"&File", "Save &As", CommandId::FileSaveAs},
    {"&File", nullptr, 0},
    {"&File", "&Exit", ControlId::Quit},
    {"&Help", "&Help file", CommandId::HelpFile},
    {"&Help", "&Check for Updates", CommandId::CheckForUpdates},
    // The window's system menu has no portable counterpart, so its About item lives only here.
    {"&Help", "&About Kestrelport", CommandId::About},
};

}  // namespace

namespace MainDialogTemplate {
std::span<const ControlTemplate> Controls() {
    return kControls;
}
std::span<const TooltipTemplate> Tooltips() {
    return kTooltips;
}
std::span<const MenuItemTemplate> Menu() {
    return kMenu;
}
}  // namespace MainDialogTemplate
