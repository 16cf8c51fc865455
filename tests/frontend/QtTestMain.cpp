// GoogleTest entry point for front-end tests: a QApplication on the
// offscreen platform, so windows and event loops work without a display,
// and a per-user settings folder of the test run's own.
#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir config;
    if (!config.isValid()) {
        std::fprintf(stderr, "cannot create a settings folder for the tests\n");
        return 1;
    }
    ::setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
