#include "app/CErrorLogDlg.h"

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

CErrorLogDlg::CErrorLogDlg(SettingsStore& settings) : settings_(settings) {}

const SpillingLineList& CErrorLogDlg::BadLineList() const {
    static const SpillingLineList kNone;
    return badLines_ ? *badLines_ : kNone;
}

void CErrorLogDlg::WriteText(const SpillingLineList& badLines,
                             const std::function<void(std::string_view)>& write) {
    write("** There were " + std::to_string(badLines.GetSize()) +
          " records in the log file with missing or incomplete data! **\r\n\r\n");
    std::string piece;
    badLines.ForEach([&](std::string_view entry) {
        piece.assign(entry).append("\r\n");
        write(piece);
    });
}

std::string CErrorLogDlg::BuildText(const SpillingLineList& badLines) {
    std::string text;
    WriteText(badLines, [&](std::string_view piece) { text.append(piece); });
    return text;
}

bool CErrorLogDlg::OnInitDialog(ErrorLogWindow& window) {
    resizer_.Create(window);
    resizer_.SetGripEnabled(true);
    resizer_.Add(TextControl, 0, 0, 100, 100);
    resizer_.Add(OkButton, 50, 100, 0, 0);
    resizer_.SetMinimumTrackingSize(window.WindowWidth(), window.WindowHeight());
    WindowPlacement placement = window.GetPlacement();
    if (RestorePlacement(settings_, SettingsKey::ErrorDialogPlacementPrefix, placement))
        window.SetPlacement(placement);
    text_ = BuildText(BadLineList());
    window.SetControlText(TextControl, text_);
    return true;
}

void CErrorLogDlg::OnOK(const ErrorLogWindow& window) {
    SavePlacement(settings_, SettingsKey::ErrorDialogPlacementPrefix, window.GetPlacement());
}
