#pragma once
// The file dialog of the project commands: filtered to project files, starting in the folder
// where the user last opened or saved a project, which it remembers in the settings.

#include <string>

#include "app/WindowServices.h"

class SettingsStore;

class CPBFileDialog {
  public:
    enum class Mode { Open, Save };

    CPBFileDialog(WindowServices& window, SettingsStore& settings, Mode mode,
                  std::string initialFile);

    // True after OK; the chosen name is then in GetPathName() and its folder is stored.
    bool DoModal();
    const std::string& GetPathName() const { return pathName_; }

    // The folder part of a full file name without its trailing "/"; the root keeps its "/".
    static std::string FolderOf(const std::string& fileName);

  private:
    WindowServices& window_;
    SettingsStore& settings_;
    Mode mode_;
    std::string initialFile_;
    std::string pathName_;
};
