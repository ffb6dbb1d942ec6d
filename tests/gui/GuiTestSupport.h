#pragma once
// Helpers of the Qt tests: the one application object, a settings store in a fresh folder, and
// acting on a modal dialog from inside its own event loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/SettingsStore.h"
#include "support/TestSupport.h"

// The application object of the test program, created on first use.
QApplication& TestApplication();

// Base of fixtures holding widgets: the application exists before any member is built.
class GuiTest : public ::testing::Test {
  protected:
    GuiTest() { TestApplication(); }
};

// XDG_CONFIG_HOME pointed at an empty folder for the fixture's lifetime, and the store at its
// default path there, as the program finds it on a first start.
class FreshSettings {
  public:
    FreshSettings();
    ~FreshSettings();
    FreshSettings(const FreshSettings&) = delete;
    FreshSettings& operator=(const FreshSettings&) = delete;

    SettingsStore& Store() { return *store_; }

  private:
    TempDir dir_;
    std::string previous_;
    bool hadPrevious_;
    std::unique_ptr<SettingsStore> store_;
};

// Where pictures of windows go for a person to look at (KESTRELPORT_SCREENSHOT_DIR); nothing is
// compared pixel by pixel. Fixtures skip their tests when no folder is set.
class ScreenshotFolder {
  public:
    // False when no folder is set; otherwise makes sure it exists.
    bool Prepare();
    QString FilePath(const QString& name) const;
    // Shows the window, lets it paint and saves its picture as `name`.
    void Save(QWidget& window, const QString& name) const;
    // Saves the picture of the window as it is, without handling events: for pictures taken
    // in the middle of work that pumps events itself.
    void SaveAsShown(QWidget& window, const QString& name) const;
    // Shows the window, lets it paint and returns its picture, saved as `name` once prepared.
    QImage Take(QWidget& window, const QString& name) const;

  private:
    QString folder_;
};

// Runs `action` once a modal widget of type T is active, i.e. from inside its exec(). Gives up
// after a few seconds so that a dialog that never shows cannot leave the watcher behind.
template <typename T>
void WhenModal(std::function<void(T*)> action) {
    auto* timer = new QTimer(&TestApplication());
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, attempts, action] {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal && ++*attempts < 1000) return;
        timer->stop();
        timer->deleteLater();
        if (modal) action(modal);
    });
    timer->start(5);
}
