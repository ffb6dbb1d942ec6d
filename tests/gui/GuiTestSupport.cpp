#include "gui/GuiTestSupport.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>
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

bool ScreenshotFolder::Prepare() {
    const char* folder = std::getenv("KESTRELPORT_SCREENSHOT_DIR");
    if (!folder || !*folder) return false;
    folder_ = QString::fromLocal8Bit(folder);
    EXPECT_TRUE(QDir().mkpath(folder_)) << folder;
    return true;
}

QString ScreenshotFolder::FilePath(const QString& name) const {
    return QDir(folder_).filePath(name);
}

void ScreenshotFolder::Save(QWidget& window, const QString& name) const {
    window.show();
    QApplication::processEvents();
    SaveAsShown(window, name);
}

void ScreenshotFolder::SaveAsShown(QWidget& window, const QString& name) const {
    const QPixmap picture = window.grab();
    EXPECT_FALSE(picture.isNull()) << name.toStdString();
    EXPECT_TRUE(picture.save(FilePath(name), "PNG")) << name.toStdString();
}

QImage ScreenshotFolder::Take(QWidget& window, const QString& name) const {
    window.show();
    QApplication::processEvents();
    if (!folder_.isEmpty()) SaveAsShown(window, name);
    return window.grab().toImage();
}
