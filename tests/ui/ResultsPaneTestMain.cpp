#include "lab/PrivateNetwork.h"
#include "support/UserFolders.h"

#include <QApplication>
#include <gtest/gtest.h>

// The lab's private network must exist before any thread does, and the panes need a
// QApplication rather than the plain core application of the other tests.
int main(int argc, char** argv) {
    vantorel::lab::enterPrivateNetwork();
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
