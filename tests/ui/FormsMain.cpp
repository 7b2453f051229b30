#include "support/UserFolders.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The symbols live in the interface library's resources, which a static link leaves out
    // unless asked for.
    Q_INIT_RESOURCE(icons);
    return RUN_ALL_TESTS();
}
