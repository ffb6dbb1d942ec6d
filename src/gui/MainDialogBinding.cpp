#include "gui/MainDialogBinding.h"

MainDialogBinding::MainDialogBinding(SettingsStore& settings)
    : services_(window_), dialog_(services_, settings) {
    window_.SetCommandHandler([this](int id) { dialog_.OnCommand(id); });
}

int MainDialogBinding::Run() {
    dialog_.OnInitDialog();
    return window_.exec();
}
