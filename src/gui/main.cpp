#include "gui/CKestrelportApp.h"

int main(int argc, char** argv) {
    CKestrelportApp app(argc, argv);
    app.InitInstance();
    return 0;
}
