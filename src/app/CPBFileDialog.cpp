#include "app/CPBFileDialog.h"

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

CPBFileDialog::CPBFileDialog(WindowServices& window, SettingsStore& settings, Mode mode,
                             std::string initialFile)
    : window_(window), settings_(settings), mode_(mode), initialFile_(std::move(initialFile)) {}

std::string CPBFileDialog::FolderOf(const std::string& fileName) {
    std::size_t slash = fileName.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

bool CPBFileDialog::DoModal() {
    WindowServices::FileDialogRequest request;
    request.open = mode_ == Mode::Open;
    request.defaultExtension = "txt";
    request.initialFile = initialFile_;
    request.initialFolder =
        settings_.ReadText(SettingsKey::Section, SettingsKey::LastProjectFolder);
    request.filter = "Project files (*.txt)|*.txt||";
    std::optional<std::string> chosen = window_.ShowFileDialog(request);
    if (!chosen || chosen->empty()) return false;
    pathName_ = *chosen;
    settings_.WriteText(SettingsKey::Section, SettingsKey::LastProjectFolder, FolderOf(pathName_));
    return true;
}
