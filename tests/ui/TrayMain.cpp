#include "lab/PrivateNetwork.h"
#include "support/UserFolders.h"

#include <QApplication>
#include <gtest/gtest.h>

// The targets of these tests probe a TUN path, which needs a private network before any thread
// exists; the views need a QApplication.
int main(int argc, char** argv) {
    vantorel::lab::enterPrivateNetwork();
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(icons);
    return RUN_ALL_TESTS();
}
