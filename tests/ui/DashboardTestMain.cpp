#include "support/UserFolders.h"

#include <QApplication>
#include <gtest/gtest.h>

// Widgets need a QApplication rather than the plain core application of the other tests, and the
// preferences they read must be the test's own.
int main(int argc, char** argv) {
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
