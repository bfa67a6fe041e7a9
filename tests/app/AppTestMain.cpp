// The app tests share one application object; each test starts and ends its own main frame.
#include <gtest/gtest.h>

#include "CTesseloApp.h"

int main(int argc, char** argv) {
    // Also when the test list is read at build time, outside the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    CTesseloApp app(argc, argv);
    return RUN_ALL_TESTS();
}
