#include <cstdio>
#include <exception>

#include "gui/CKestrelportApp.h"

int main(int argc, char** argv) {
    // The last resort: commands catch what they throw, but a failure elsewhere (the dialog's
    // start, the event loop) must still end with a message and a failure status rather than an
    // abort.
    try {
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
