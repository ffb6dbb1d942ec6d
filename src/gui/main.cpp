#include <cstdio>
#include <cstring>
#include <exception>

#include "app/ProgramVersion.h"
#include "gui/CKestrelportApp.h"

namespace {

constexpr const char* kUsage =
    R"(Usage: kestrelport-gui [--help | --version] [Qt options]

Opens the Kestrelport dialog, which loads a web server's access log into an SQLite or
PostgreSQL table. The dialog starts with the settings of the last export, which it shares
with the terminal program ("kestrelport --help"). Qt's own options, such as -platform and
-style, are passed on to Qt.

  --help, -h   print this text and exit
  --version    print the version and exit
)";

// Answered before the application object exists, so that they need no display.
bool AnswerWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kestrelport-gui %s\n", FormatVersion(ProgramVersionParts()).c_str());
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // The last resort: commands catch what they throw, but a failure elsewhere (the dialog's
    // start, the event loop) must still end with a message and a failure status rather than an
    // abort.
    try {
        if (AnswerWithoutWindow(argc, argv)) return 0;
        CKestrelportApp app(argc, argv);
        app.InitInstance();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kestrelport-gui: stopped by an unexpected error: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "kestrelport-gui: stopped by an unexpected error.\n");
    }
    return 1;
}
