#include "lab/PrivateNetwork.h"
#include "support/UserFolders.h"

#include <QApplication>
#include <gtest/gtest.h>

// Widgets need a QApplication, with the test's own preferences; the lab's binary enters its
// private network before any thread exists.
int main(int argc, char** argv) {
#ifdef VANTOREL_VIEWS_IN_LAB
    vantorel::lab::enterPrivateNetwork();
#endif
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(icons); // a static link leaves the library's resources out unless asked
    return RUN_ALL_TESTS();
}
