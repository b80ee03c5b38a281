// main of the GUI test programs: a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>

int main(int argc, char** argv) {
    // a crashing test starts the program again for the crash message; in a
    // test run nobody reads it, and running every test again would crash again
    if (argc > 1 && !std::strcmp(argv[1], "--crash-message")) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
