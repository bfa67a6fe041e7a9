#include "CTesseloApp.h"

int main(int argc, char** argv) {
    CTesseloApp app(argc, argv);
    if (!app.InitInstance()) return 0;
    const int result = app.exec();
    app.ExitInstance();
    return result;
}
