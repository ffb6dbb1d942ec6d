#include "gui/GuiTestSupport.h"

#include <cstdlib>

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    QApplication::setApplicationName("Kestrelport");
    return application;
}

FreshSettings::FreshSettings() {
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    hadPrevious_ = previous != nullptr;
    if (previous) previous_ = previous;
    setenv("XDG_CONFIG_HOME", dir_.Path().c_str(), 1);
    store_ = std::make_unique<SettingsStore>(SettingsStore::DefaultPath());
}

FreshSettings::~FreshSettings() {
    if (hadPrevious_)
        setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
