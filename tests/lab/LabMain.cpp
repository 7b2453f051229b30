#include "lab/PrivateNetwork.h"
#include "support/UserFolders.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// main() of every lab test: the private network goes first, before Qt or GoogleTest start a thread.
int main(int argc, char** argv) {
    vantorel::lab::enterPrivateNetwork();
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
