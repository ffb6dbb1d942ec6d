#include "gui/GuiTestSupport.h"

#include <cstdlib>

namespace {

QApplication* application = nullptr;

// The application goes before the program exits: destroyed among the exit handlers, it would
// find parts of Qt already gone and crash.
class ApplicationEnvironment : public ::testing::Environment {
  public:
    void TearDown() override {
        delete application;
        application = nullptr;
    }
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

QApplication& TestApplication() {
    if (!application) {
        static int argc = 1;
        static char name[] = "test_gui";
        static char* argv[] = {name, nullptr};
        application = new QApplication(argc, argv);
        QApplication::setApplicationName("Kestrelport");
    }
    return *application;
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
