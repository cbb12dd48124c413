// Tests of the Qt window need a QApplication for their whole run. Without a display
// they draw off screen; without a runtime folder they get a private one.
#include <gtest/gtest.h>

#include <QApplication>

#include "peer/RuntimeFolder.h"

int main(int argc, char* argv[]) {
    const moxel::test::RuntimeFolder runtime;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
